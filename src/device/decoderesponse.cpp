#include "device/decoderesponse.h"

#include "core/slog.h"
#include "device/ambermeshstatussink.h"
#include "device/failureresponse.h"
#include "device/fileopenresponse.h"
#include "device/filereadresponse.h"
#include "device/filesystementryinforesponse.h"
#include "device/foldercontentsresponse.h"
#include "device/getpropertiesresponse.h"
#include "device/getpropertyresponse.h"
#include "device/processlaunchresponse.h"
#include "device/successresponse.h"
#include "device/whoamiresponse.h"

namespace {
template <class T>
std::unique_ptr<AmbermeshClientResponse> decodeAs(std::unique_ptr<AmbermeshRxMessageStream>& stream, quint16 id,
                                                  quint32 serial)
{
    auto response = std::make_unique<T>();
    response->messageId = id;
    response->serialNumber = serial;
    if (!response->readBody(*stream)) {
        SLOG_WARN("Response id %u, serial #%u: %u payload bytes are too few for its fields", unsigned(id),
                  unsigned(serial), unsigned(stream->payloadSize()));
        return nullptr;
    }
    response->receiveStream = std::move(stream);
    return response;
}
} // namespace

std::unique_ptr<AmbermeshClientResponse> decodeResponse(std::unique_ptr<AmbermeshRxMessageStream> stream)
{
    if (!stream || !stream->isComplete())
        return nullptr;
    const quint16 id = stream->readUInt16();
    stream->readUInt32(); // payload size, already known to the stream
    const quint32 serial = stream->readUInt32();
    if (stream->overrun()) {
        SLOG_WARN("Response id %u has no serial number", unsigned(id));
        return nullptr;
    }
    switch (id) {
    case AmbermeshClientResponse::E_WHO_AM_I:
        return decodeAs<WhoAmIResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_SUCCESS:
        return decodeAs<SuccessResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_FAILURE:
        return decodeAs<FailureResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_FILE_SYSTEM_ENTRY_INFO:
        return decodeAs<FileSystemEntryInfoResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_FILE_OPEN:
        return decodeAs<FileOpenResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_FILE_READ:
        return decodeAs<FileReadResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_FOLDER_CONTENTS:
        return decodeAs<FolderContentsResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_GET_PROPERTIES:
        return decodeAs<GetPropertiesResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_PROCESS_LAUNCH:
        return decodeAs<ProcessLaunchResponse>(stream, id, serial);
    case AmbermeshClientResponse::E_GET_PROPERTY:
        return decodeAs<GetPropertyResponse>(stream, id, serial);
    default:
        break;
    }
    if (AmbermeshRxMessageStream::isAsyncId(id))
        AmbermeshStatusSink::report(QStringLiteral("Unexepected async message ID"));
    else
        AmbermeshStatusSink::report(QStringLiteral("Unexepected message ID"));
    return nullptr;
}
