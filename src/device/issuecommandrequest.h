#pragma once

#include "device/ambermeshclientrequest.h"

// Sends a device command (the pair that brackets every change of a slot).
class IssueCommandRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    IssueCommandRequest(quint16 command, quint64 argument);

    void serialize(QDataStream& out) override;

    quint16 command;
    quint64 argument;
};
