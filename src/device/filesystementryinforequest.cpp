#include "device/filesystementryinforequest.h"

#include <QDataStream>

FileSystemEntryInfoRequest::FileSystemEntryInfoRequest(qint8 flag, const QString& path)
    : AmbermeshClientRequest(E_FILE_SYSTEM_ENTRY_INFO), flag(flag), path(path.toUtf8())
{
}

void FileSystemEntryInfoRequest::serialize(QDataStream& out)
{
    writeHeader(out, 1 + stringSize(path));
    out << flag;
    writeString(out, path);
}
