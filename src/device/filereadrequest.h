#pragma once

#include "device/ambermeshclientrequest.h"

// Reads the next block of an open remote file.
class FileReadRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileReadRequest(quint64 handle, qint64 length);

    void serialize(QDataStream& out) override;

    static constexpr qint32 maxBlock = 8169;

    quint64 handle;
    qint64 length; // what the caller still wants; one block carries at most maxBlock
};
