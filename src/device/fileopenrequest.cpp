#include "device/fileopenrequest.h"

#include <QDataStream>

FileOpenRequest::FileOpenRequest(const QString& path, bool forReading)
    : AmbermeshClientRequest(E_FILE_OPEN), path(path.toUtf8()), access(forReading ? 1 : 2),
      readFlag(forReading ? 1 : 0)
{
}

void FileOpenRequest::serialize(QDataStream& out)
{
    writeHeader(out, stringSize(path) + 2);
    writeString(out, path);
    out << access << readFlag;
}
