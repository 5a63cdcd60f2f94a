#pragma once

#include "device/ambermeshclientresponse.h"

// The handle of a newly opened remote file and the file's size.
class FileOpenResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    quint64 handle = 0;
    quint64 fileSize = 0;
};
