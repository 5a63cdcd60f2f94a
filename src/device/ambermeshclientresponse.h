#pragma once

#include "device/ambermeshclientinputmessage.h"
#include "device/ambermeshrxmessagestream.h"

#include <memory>

// Base of the response classes of the catalogue. The response owns the stream it
// was decoded from: raw data after the decoded fields stays readable there.
class AmbermeshClientResponse : public AmbermeshClientInputMessage
{
public:
    enum E_RESPONSE : quint16
    {
        E_WHO_AM_I = 1,
        E_SUCCESS = 2,
        E_FAILURE = 3,
        E_FILE_SYSTEM_ENTRY_INFO = 5,
        E_FILE_OPEN = 11,
        E_FILE_READ = 13,
        E_FOLDER_CONTENTS = 18,
        E_GET_PROPERTIES = 20,
        E_PROCESS_LAUNCH = 24,
        E_GET_PROPERTY = 27,
    };

    quint32 serialNumber = 0;
    quint16 messageId = 0;
    std::unique_ptr<AmbermeshRxMessageStream> receiveStream;
};
