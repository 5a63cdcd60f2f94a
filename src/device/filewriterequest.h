#pragma once

#include "device/ambermeshclientrequest.h"

// Writes the next block of the local file to an open remote file.
class FileWriteRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileWriteRequest(quint64 handle, QDataStream* in);

    void serialize(QDataStream& out) override;

    static constexpr qint32 maxBlock = 8169;

    quint64 handle;
    QDataStream* in; // over the open local file; each serialize sends its next block
    // Bytes the last serialize took from the local file.
    qint32 lastBlock = 0;
};
