#include "device/filereadresponse.h"

bool FileReadResponse::readBody(AmbermeshRxMessageStream& in)
{
    offset = in.readUInt64();
    length = in.readUInt32();
    data = in.takeBytes(length);
    return !in.overrun();
}
