#pragma once

#include "device/ambermeshclientresponse.h"

#include <QString>

// The pedal's identity.
class WhoAmIResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    quint16 familyId = 0;
    quint16 deviceId = 0;
    quint16 protocolVersion = 0;
    quint16 firmwareVersion = 0;
    QString guid;
    QString deviceName;
};
