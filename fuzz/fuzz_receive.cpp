// Arbitrary bytes from the serial port, through the receive stream and the
// response decoder exactly as the client feeds them. The first input byte
// chooses how the rest is cut into read chunks.

#include "device/ambermeshrxmessagestream.h"
#include "device/decoderesponse.h"
#include "device/failureresponse.h"
#include "device/filereadresponse.h"
#include "device/foldercontentsresponse.h"
#include "device/getpropertiesresponse.h"
#include "device/whoamiresponse.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <memory>

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&)
{
}

// Reads every byte the decoded fields point at, so the sanitizers see any
// access outside the received message.
unsigned touch(const AmbermeshClientResponse& response)
{
    unsigned sum = response.serialNumber;
    if (const auto* block = dynamic_cast<const FileReadResponse*>(&response)) {
        for (quint32 i = 0; i < block->length; ++i)
            sum += quint8(block->data[i]);
    } else if (const auto* list = dynamic_cast<const FolderContentsResponse*>(&response)) {
        for (const QString& name : list->files + list->folders)
            sum += unsigned(name.size());
    } else if (const auto* who = dynamic_cast<const WhoAmIResponse*>(&response)) {
        sum += unsigned(who->guid.size() + who->deviceName.size());
    } else if (const auto* failure = dynamic_cast<const FailureResponse*>(&response)) {
        sum += unsigned(failure->text.size());
    } else if (const auto* properties = dynamic_cast<const GetPropertiesResponse*>(&response)) {
        sum += unsigned(properties->intValues.size() + properties->stringValues.size());
    }
    return sum;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(quiet);
    // The stream prints header diagnostics to standard output; libFuzzer reports on stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    quint32 cut = data[0] | 1u;
    ++data;
    --size;

    QByteArray receiveBuffer;
    std::unique_ptr<AmbermeshRxMessageStream> stream;
    volatile unsigned sink = 0;
    size_t offset = 0;
    while (offset < size || !receiveBuffer.isEmpty()) {
        // One "read" from the port: a chunk of 1 to 4096 bytes.
        cut = cut * 1103515245u + 12345u;
        const size_t chunk = std::min<size_t>(size - offset, 1 + (cut >> 8) % 4096);
        receiveBuffer.append(reinterpret_cast<const char*>(data + offset), qsizetype(chunk));
        offset += chunk;
        if (receiveBuffer.isEmpty())
            break;
        // The client drops consumed bytes from the front of its buffer; an offset does the same here.
        qsizetype consumed = 0;
        while (consumed < receiveBuffer.size()) {
            if (!stream)
                stream = std::make_unique<AmbermeshRxMessageStream>();
            const int left = int(receiveBuffer.size() - consumed);
            const int used = stream->appendBytes(receiveBuffer.constData() + consumed, left);
            if (used < 0 || used > left)
                __builtin_trap();
            consumed += used;
            if (!stream->isComplete()) {
                if (used == 0)
                    __builtin_trap(); // would spin for ever
                continue;
            }
            if (stream->isAsyncMessage()) {
                stream->reset();
                continue;
            }
            if (const auto response = decodeResponse(std::move(stream)))
                sink = sink + touch(*response);
        }
        receiveBuffer.clear();
    }
    (void)sink;
    return 0;
}
