#include "device/filewriterequest.h"

#include <QDataStream>
#include <QIODevice>

FileWriteRequest::FileWriteRequest(quint64 handle, QDataStream* in)
    : AmbermeshClientRequest(E_FILE_WRITE), handle(handle), in(in)
{
}

void FileWriteRequest::serialize(QDataStream& out)
{
    // The block is read before the header so the header states what really follows.
    QByteArray block;
    QIODevice* file = in ? in->device() : nullptr;
    if (file) {
        const qint64 left = file->size() - file->pos();
        block.resize(qsizetype(qBound(qint64(0), left, qint64(maxBlock))));
        const int got = block.isEmpty() ? 0 : in->readRawData(block.data(), int(block.size()));
        block.resize(got > 0 ? got : 0);
    }
    lastBlock = qint32(block.size());
    writeHeader(out, 12 + lastBlock);
    out << qint64(handle) << lastBlock;
    out.writeRawData(block.constData(), lastBlock);
}
