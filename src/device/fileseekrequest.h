#pragma once

#include "device/ambermeshclientrequest.h"

// Moves the position of an open remote file.
class FileSeekRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileSeekRequest(quint64 handle, qint64 offset, qint8 origin = 0);

    void serialize(QDataStream& out) override;

    quint64 handle;
    qint64 offset;
    qint8 origin; // 0: from the start of the file
};
