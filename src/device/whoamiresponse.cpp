#include "device/whoamiresponse.h"

bool WhoAmIResponse::readBody(AmbermeshRxMessageStream& in)
{
    familyId = in.readUInt16();
    deviceId = in.readUInt16();
    protocolVersion = in.readUInt16();
    firmwareVersion = in.readUInt16();
    guid = in.readString();
    deviceName = in.readString();
    return !in.overrun();
}
