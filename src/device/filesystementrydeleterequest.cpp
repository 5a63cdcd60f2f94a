#include "device/filesystementrydeleterequest.h"

#include <QDataStream>

FileSystemEntryDeleteRequest::FileSystemEntryDeleteRequest(const QString& path)
    : AmbermeshClientRequest(E_FILE_SYSTEM_ENTRY_DELETE), path(path.toUtf8())
{
}

void FileSystemEntryDeleteRequest::serialize(QDataStream& out)
{
    writeHeader(out, 3 + stringSize(path));
    out << qint8(1);
    writeString(out, path);
    out << qint8(1) << qint8(0);
}
