#pragma once

#include "device/ambermeshclientresponse.h"

// One block of a remote file.
class FileReadResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    quint64 offset = 0; // read, not used
    quint32 length = 0;
    // The block's bytes inside receiveStream; valid while the response lives.
    const char* data = nullptr;
};
