#pragma once

#include "device/ambermeshclientresponse.h"

// Answer to a process launch; the host keeps nothing of it.
class ProcessLaunchResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    quint64 value = 0; // read, not used
};
