#include "device/filesystementrycreaterequest.h"

#include <QDataStream>

FileSystemEntryCreateRequest::FileSystemEntryCreateRequest(const QString& path)
    : AmbermeshClientRequest(E_FILE_SYSTEM_ENTRY_CREATE), path(path.toUtf8())
{
}

void FileSystemEntryCreateRequest::serialize(QDataStream& out)
{
    writeHeader(out, 2 + stringSize(path));
    out << qint8(1);
    writeString(out, path);
    out << qint8(1);
}
