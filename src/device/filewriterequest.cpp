#include "device/filewriterequest.h"

#include <QDataStream>
#include <QIODevice>

FileWriteRequest::FileWriteRequest(quint64 handle, QDataStream* in)
    : AmbermeshClientRequest(E_FILE_WRITE), handle(handle), in(in)
{
}

void FileWriteRequest::readBlock()
{
    // What is left of the local file, at most one block; nothing at its end or on a read error.
    QIODevice* file = in ? in->device() : nullptr;
    m_block.resize(maxBlock);
    const qint64 got = file ? file->read(m_block.data(), maxBlock) : 0;
    m_block.resize(got > 0 ? qsizetype(got) : 0);
}

void FileWriteRequest::prefetch()
{
    if (!m_prefetched) {
        readBlock();
        m_prefetched = true;
    }
}

void FileWriteRequest::serialize(QDataStream& out)
{
    // The block is read before the header so the header states what really follows.
    if (!m_prefetched)
        readBlock();
    m_prefetched = false;
    lastBlock = qint32(m_block.size());
    writeHeader(out, 12 + lastBlock);
    out << qint64(handle) << lastBlock;
    out.writeRawData(m_block.constData(), lastBlock);
}
