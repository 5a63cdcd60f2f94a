#pragma once

#include "device/ambermeshclientoutputmessage.h"

// Base of the request classes of the catalogue.
class AmbermeshClientRequest : public AmbermeshClientOutputMessage
{
    Q_OBJECT
public:
    // Request ids as they travel in the header.
    enum E_REQUEST : quint16
    {
        E_WHO_AM_I = 0,
        E_FILE_SYSTEM_ENTRY_INFO = 4,
        E_FILE_SYSTEM_ENTRY_CREATE = 7,
        E_FILE_SYSTEM_ENTRY_DELETE = 9,
        E_FILE_OPEN = 10,
        E_FILE_READ = 12,
        E_FILE_WRITE = 14,
        E_FILE_SEEK = 15,
        E_FILE_CLOSE = 16,
        E_FOLDER_CONTENTS = 17,
        E_GET_PROPERTIES = 19,
        E_ISSUE_COMMAND = 22,
        E_GET_PROPERTY = 26,
    };

    explicit AmbermeshClientRequest(E_REQUEST id, QObject* parent = nullptr);
};
