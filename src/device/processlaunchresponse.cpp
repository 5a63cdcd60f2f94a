#include "device/processlaunchresponse.h"

bool ProcessLaunchResponse::readBody(AmbermeshRxMessageStream& in)
{
    value = in.readUInt64();
    return !in.overrun();
}
