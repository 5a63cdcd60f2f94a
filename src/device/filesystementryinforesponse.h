#pragma once

#include "device/ambermeshclientresponse.h"

#include <QDateTime>
#include <QString>

// Whether a file or folder exists, its size and times.
class FileSystemEntryInfoResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    bool valid = false; // read, not used
    QString name;
    bool exists = false;
    quint64 size = 0;
    bool isFile = false; // the wire carries the inverse
    bool readOnly = false;
    QDateTime created;
    QDateTime modified;
    QDateTime accessed;
};
