#pragma once

#include "device/ambermeshclientrequest.h"

// Closes an open remote file.
class FileCloseRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    explicit FileCloseRequest(quint64 handle);

    void serialize(QDataStream& out) override;

    quint64 handle;
};
