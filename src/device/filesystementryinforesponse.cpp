#include "device/filesystementryinforesponse.h"

bool FileSystemEntryInfoResponse::readBody(AmbermeshRxMessageStream& in)
{
    valid = in.readBool();
    name = in.readString();
    exists = in.readBool();
    size = in.readUInt64();
    isFile = !in.readBool();
    readOnly = in.readBool();
    created = in.readDateTime();
    modified = in.readDateTime();
    accessed = in.readDateTime();
    return !in.overrun();
}
