#pragma once

#include "device/ambermeshclientrequest.h"

// Asks the pedal for its identity.
class WhoAmIRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    WhoAmIRequest();

    void serialize(QDataStream& out) override;
};
