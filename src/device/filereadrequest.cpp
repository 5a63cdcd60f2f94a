#include "device/filereadrequest.h"

#include <QDataStream>

FileReadRequest::FileReadRequest(quint64 handle, qint64 length)
    : AmbermeshClientRequest(E_FILE_READ), handle(handle), length(length)
{
}

void FileReadRequest::serialize(QDataStream& out)
{
    // No answer may exceed the largest payload, so one block is at most maxBlock.
    const qint32 block = length < maxBlock + 1 ? qint32(length) : maxBlock;
    writeHeader(out, 12);
    out << qint64(handle) << block;
}
