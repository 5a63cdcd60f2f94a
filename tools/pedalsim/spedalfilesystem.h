#pragma once

#include <QFile>
#include <unordered_map>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The pedal's file system: a few device folders ("mounts") that stand for folders
// on the computer. A device path must be absolute, may not contain "..", and
// must lie in or above a mount; nothing outside the mounted folders is reachable,
// not even through links inside them.
class SPedalFileSystem
{
public:
    struct stResolved
    {
        QString error;         // non-empty: the path is refused
        QString devicePath;    // normalised: single separators, no trailing one
        QString hostPath;      // the file or folder on the computer (empty for a virtual folder)
        bool mountRoot = false;
        bool virtualFolder = false;     // a folder above the mounts, such as "/mnt"
        QStringList virtualChildren;    // its sub-folders
    };

    // devicePath such as "/mnt/nandfs/loops/"; hostDir must exist.
    bool mount(const QString& devicePath, const QString& hostDir);
    stResolved resolve(const QString& devicePath) const;
    // Bytes held by the files below a mounted folder.
    static qint64 usedBytes(const QString& hostDir);

    // Open remote files; handles are never reused within a run.
    quint64 open(const QString& hostPath, bool forWriting, QString* error);
    QFile* file(quint64 handle) const;
    bool close(quint64 handle);
    int openCount() const { return int(m_files.size()); }
    void closeAll() { m_files.clear(); }

    static constexpr int maxOpenFiles = 32;

private:
    struct stMount
    {
        QStringList segments;
        QString hostDir; // canonical
    };
    bool inside(const QString& hostPath, const QString& hostDir) const;

    QList<stMount> m_mounts;
    std::unordered_map<quint64, std::unique_ptr<QFile>> m_files;
    quint64 m_nextHandle = 0x100;
};
