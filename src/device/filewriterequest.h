#pragma once

#include "device/ambermeshclientrequest.h"

#include <QByteArray>

// Writes the next block of the local file to an open remote file.
class FileWriteRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileWriteRequest(quint64 handle, QDataStream* in);

    void serialize(QDataStream& out) override;
    // Reads the block the next serialize sends, so the local file is read while
    // the pedal stores the block before it.
    void prefetch();

    static constexpr qint32 maxBlock = 8169;

    quint64 handle;
    QDataStream* in; // over the open local file; each serialize sends its next block
    // Bytes the last serialize took from the local file.
    qint32 lastBlock = 0;

private:
    void readBlock();

    QByteArray m_block;
    bool m_prefetched = false;
};
