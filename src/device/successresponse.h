#pragma once

#include "device/ambermeshclientresponse.h"

// Acknowledges a request that returns nothing.
class SuccessResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);
};
