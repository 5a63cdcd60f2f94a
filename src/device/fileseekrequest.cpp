#include "device/fileseekrequest.h"

#include <QDataStream>

FileSeekRequest::FileSeekRequest(quint64 handle, qint64 offset, qint8 origin)
    : AmbermeshClientRequest(E_FILE_SEEK), handle(handle), offset(offset), origin(origin)
{
}

void FileSeekRequest::serialize(QDataStream& out)
{
    writeHeader(out, 17);
    out << qint64(handle) << offset << origin;
}
