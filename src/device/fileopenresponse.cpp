#include "device/fileopenresponse.h"

bool FileOpenResponse::readBody(AmbermeshRxMessageStream& in)
{
    handle = in.readUInt64();
    fileSize = in.readUInt64();
    return !in.overrun();
}
