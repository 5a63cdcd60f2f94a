#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// A remote file or folder as FileSystemEntryInfo reports it.
struct stFileSystemEntryInfo
{
    QString name;
    bool exists = false;
    quint64 size = 0;
    bool isFile = false;
    bool readOnly = false;
    QDateTime created;
    QDateTime modified;
    QDateTime accessed;
};
