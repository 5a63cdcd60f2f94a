#include "device/foldercontentsresponse.h"

namespace {
bool readNames(AmbermeshRxMessageStream& in, QStringList& names)
{
    // The count comes from the wire: stop at the first name that is not there.
    const quint32 count = in.readUInt32();
    for (quint32 i = 0; i < count && !in.overrun(); ++i)
        names.append(in.readString());
    return !in.overrun();
}
} // namespace

bool FolderContentsResponse::readBody(AmbermeshRxMessageStream& in)
{
    return readNames(in, files) && readNames(in, folders);
}
