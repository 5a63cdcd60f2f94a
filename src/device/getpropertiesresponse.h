#pragma once

#include "device/ambermeshclientresponse.h"

#include <QMap>
#include <QString>

// Several device properties; a repeated id keeps its last value.
class GetPropertiesResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    QMap<int, int> intValues;
    QMap<int, QString> stringValues;
};
