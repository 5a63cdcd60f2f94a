#pragma once

#include "device/ambermeshclientresponse.h"

#include <QString>

// The pedal refused a request, saying why.
class FailureResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    QString text;
};
