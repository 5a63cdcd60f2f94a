#pragma once

#include "device/ambermeshclientresponse.h"

#include <QString>

// One device property, a text or an integer.
class GetPropertyResponse : public AmbermeshClientResponse
{
public:
    // Reads the body after the serial number; false when the message is too short.
    bool readBody(AmbermeshRxMessageStream& in);

    // Property ids 0x8000 to 0x8018 carry texts, all others integers.
    static bool isStringProperty(quint16 id) { return quint16(id - 0x8000) <= 0x18; }

    quint16 propertyId = 0;
    bool isString = false;
    QString stringValue;
    quint32 intValue = 0;
};
