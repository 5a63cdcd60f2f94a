#include "spedalfilesystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

bool SPedalFileSystem::mount(const QString& devicePath, const QString& hostDir)
{
    const QString canonical = QFileInfo(hostDir).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir())
        return false;
    m_mounts.append({devicePath.split(QLatin1Char('/'), Qt::SkipEmptyParts), canonical});
    return true;
}

bool SPedalFileSystem::inside(const QString& hostPath, const QString& hostDir) const
{
    // The nearest existing ancestor decides: links may not lead out of the mount.
    QFileInfo info(hostPath);
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            return false;
        info = QFileInfo(parent);
    }
    const QString canonical = info.canonicalFilePath();
    return canonical == hostDir || canonical.startsWith(hostDir + QLatin1Char('/'));
}

SPedalFileSystem::stResolved SPedalFileSystem::resolve(const QString& devicePath) const
{
    stResolved out;
    if (!devicePath.startsWith(QLatin1Char('/')) || devicePath.contains(QLatin1Char('\\'))
        || devicePath.contains(QChar(0))) {
        out.error = QStringLiteral("Invalid path");
        return out;
    }
    QStringList segments;
    for (const QString& segment : devicePath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String(".."))  {
            out.error = QStringLiteral("Invalid path");
            return out;
        }
        if (segment != QLatin1String("."))
            segments.append(segment);
    }
    out.devicePath = QLatin1Char('/') + segments.join(QLatin1Char('/'));
    for (const stMount& mount : m_mounts) {
        if (segments.mid(0, mount.segments.size()) == mount.segments) {
            const QStringList rest = segments.mid(mount.segments.size());
            out.mountRoot = rest.isEmpty();
            out.hostPath = rest.isEmpty() ? mount.hostDir : mount.hostDir + QLatin1Char('/') + rest.join(QLatin1Char('/'));
            if (!inside(out.hostPath, mount.hostDir)) {
                out.error = QStringLiteral("Invalid path");
                out.hostPath.clear();
            }
            return out;
        }
        if (mount.segments.mid(0, segments.size()) == segments) {
            out.virtualFolder = true;
            const QString child = mount.segments.at(segments.size());
            if (!out.virtualChildren.contains(child))
                out.virtualChildren.append(child);
        }
    }
    if (!out.virtualFolder)
        out.error = QStringLiteral("No such file or folder");
    return out;
}

qint64 SPedalFileSystem::usedBytes(const QString& hostDir)
{
    qint64 total = 0;
    QDirIterator it(hostDir, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

quint64 SPedalFileSystem::open(const QString& hostPath, bool forWriting, QString* error)
{
    if (int(m_files.size()) >= maxOpenFiles) {
        *error = QStringLiteral("Too many open files");
        return 0;
    }
    const QFileInfo info(hostPath);
    if (info.isDir()) {
        *error = QStringLiteral("Is a folder");
        return 0;
    }
    if (!forWriting && !info.exists()) {
        *error = QStringLiteral("No such file or folder");
        return 0;
    }
    if (forWriting && !info.dir().exists()) {
        *error = QStringLiteral("No such folder");
        return 0;
    }
    auto file = std::make_unique<QFile>(hostPath);
    // Unbuffered: blocks go straight between the file and the messages.
    const QIODevice::OpenMode mode = forWriting ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadOnly;
    if (!file->open(mode | QIODevice::Unbuffered)) {
        *error = file->errorString();
        return 0;
    }
    const quint64 handle = m_nextHandle++;
    m_files.emplace(handle, std::move(file));
    return handle;
}

QFile* SPedalFileSystem::file(quint64 handle) const
{
    const auto it = m_files.find(handle);
    return it == m_files.end() ? nullptr : it->second.get();
}

bool SPedalFileSystem::close(quint64 handle)
{
    return m_files.erase(handle) > 0;
}
