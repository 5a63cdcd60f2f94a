#pragma once

#include "device/ambermeshclientresponse.h"

#include <QStringList>

// The files and the folders in a remote folder, in the pedal's order.
class FolderContentsResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    QStringList files;
    QStringList folders;
};
