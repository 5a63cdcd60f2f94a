#include "device/getpropertyresponse.h"

bool GetPropertyResponse::readBody(AmbermeshRxMessageStream& in)
{
    propertyId = in.readUInt16();
    isString = isStringProperty(propertyId);
    if (isString)
        stringValue = in.readString();
    else
        intValue = in.readUInt32();
    return !in.overrun();
}
