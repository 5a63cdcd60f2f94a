#include "device/ambermeshclient.h"

#include "core/slog.h"
#include "device/ambermeshrxmessagestream.h"
#include "device/ambermeshstatussink.h"
#include "device/decoderesponse.h"
#include "device/failureresponse.h"
#include "device/filecloserequest.h"
#include "device/fileopenrequest.h"
#include "device/fileopenresponse.h"
#include "device/filereadrequest.h"
#include "device/filereadresponse.h"
#include "device/fileseekrequest.h"
#include "device/filesystementrycreaterequest.h"
#include "device/filesystementrydeleterequest.h"
#include "device/filesystementryinforequest.h"
#include "device/filesystementryinforesponse.h"
#include "device/filewriterequest.h"
#include "device/foldercontentsrequest.h"
#include "device/foldercontentsresponse.h"
#include "device/getpropertiesrequest.h"
#include "device/getpropertiesresponse.h"
#include "device/getpropertyrequest.h"
#include "device/getpropertyresponse.h"
#include "device/issuecommandrequest.h"
#include "device/whoamirequest.h"
#include "device/whoamiresponse.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSaveFile>
#include <QtEndian>

#include <limits>

namespace {
constexpr quint16 channelCountProperty = 7;
constexpr qint64 waveDataSizeOffset = 40; // data-chunk size field of a canonical 44-byte WAV header

// "… <size>bytes in <s> seconds - <rate> MBit/s." with 1 MBit = 1024 × 1024 bits.
QString throughputText(quint64 size, qint64 elapsedMs)
{
    const double seconds = double(elapsedMs) / 1000.0;
    const double rate = double(size) * 8.0 / (seconds * 1024.0 * 1024.0);
    return QString::number(size) + QStringLiteral("bytes in ") + QString::number(seconds, 'g', 6)
           + QStringLiteral(" seconds - ") + QString::number(rate, 'g', 6) + QStringLiteral(" MBit/s.");
}
} // namespace

AmbermeshClient::AmbermeshClient(QObject* parent) : QObject(parent)
{
}

AmbermeshClient::~AmbermeshClient() = default;

void AmbermeshClient::status(const QString& text)
{
    AmbermeshStatusSink::report(text);
}

void AmbermeshClient::attachPort(QSerialPort* port)
{
    SLOG_SCOPE();
    if (m_port)
        disconnect(m_port, &QSerialPort::errorOccurred, this, &AmbermeshClient::onSerialPortError);
    m_port = port;
    m_linkLost = false;
    if (port)
        connect(port, &QSerialPort::errorOccurred, this, &AmbermeshClient::onSerialPortError);
    m_out = std::make_unique<QDataStream>(port);
    m_out->setByteOrder(QDataStream::LittleEndian);
}

void AmbermeshClient::onSerialPortError(QSerialPort::SerialPortError error)
{
    // Qt also reports NoError (after opening) and TimeoutError (each wait that
    // runs out, already logged by receiveResponse); neither is a port fault.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (m_port)
        SLOG_DEBUG("ERROR OCCURRED in serial port %s", qUtf8Printable(m_port->errorString()));
    SLOG_DEBUG("%s", QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error));
    // A pulled cable shows as ResourceError; the far end of a pseudo-terminal
    // closing shows as ReadError. Either way no answer can come any more, so the
    // calls fail at once instead of each waiting for its time-out.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        if (!m_linkLost) {
            m_linkLost = true;
            Q_EMIT linkLost();
        }
    }
}

void AmbermeshClient::discardStaleInput()
{
    // Normally the last answer ended cleanly and nothing is left. Leftovers are a
    // second answer or part of a late one: dropped, with whatever else has already
    // arrived, so the answer to the next request starts on a message boundary.
    if (m_rxBuffer.isEmpty() && !m_rxStream && m_port->bytesAvailable() == 0)
        return;
    while (m_port->waitForReadyRead(0)) {
    }
    const QByteArray pending = m_port->readAll();
    const qint64 stale = m_rxBuffer.size() + pending.size() + (m_rxStream ? m_rxStream->receivedCount() : 0);
    SLOG_DEBUG("Discarding %lld stale bytes", stale);
    m_rxBuffer.clear();
    m_rxStream.reset();
}

bool AmbermeshClient::sendLocked(AmbermeshClientOutputMessage& request)
{
    if (!m_port || !m_port->isOpen() || m_linkLost || !m_out) {
        status(QStringLiteral("Not connected."));
        SLOG_DEBUG("Send Failed.");
        return false;
    }
    discardStaleInput();
    m_out->resetStatus();
    request.send(*m_out);
    if (m_out->status() != QDataStream::Ok) {
        SLOG_DEBUG("Send Failed.");
        return false;
    }
    // Without an event loop the port writes only while waiting for an answer:
    // handing the bytes over now lets the pedal start at once.
    m_port->flush();
    return true;
}

std::unique_ptr<AmbermeshClientResponse> AmbermeshClient::awaitLocked(const AmbermeshClientOutputMessage& request,
                                                                      int timeoutMs)
{
    std::unique_ptr<AmbermeshClientResponse> response = receiveResponse(request, timeoutMs);
    if (!response) {
        SLOG_DEBUG("Failed to get valid response to serial # %u", unsigned(request.serialNumber));
        return nullptr;
    }
    if (response->serialNumber != request.serialNumber) {
        SLOG_DEBUG("sync receive serial number didn't match! Expected %u, got %u", unsigned(request.serialNumber),
                   unsigned(response->serialNumber));
        return nullptr;
    }
    if (response->messageId == AmbermeshClientResponse::E_FAILURE) {
        const auto* failure = static_cast<const FailureResponse*>(response.get());
        SLOG_DEBUG("%s serial# %u", qUtf8Printable(failure->text), unsigned(response->serialNumber));
        return nullptr;
    }
    return response;
}

bool AmbermeshClient::sendRequest(AmbermeshClientOutputMessage& request)
{
    QMutexLocker locker(&m_lock);
    return sendLocked(request);
}

std::unique_ptr<AmbermeshClientResponse> AmbermeshClient::awaitResponse(const AmbermeshClientOutputMessage& request,
                                                                        int timeoutMs)
{
    QMutexLocker locker(&m_lock);
    return awaitLocked(request, timeoutMs);
}

std::unique_ptr<AmbermeshClientResponse> AmbermeshClient::transact(AmbermeshClientOutputMessage& request,
                                                                   int timeoutMs)
{
    QMutexLocker locker(&m_lock);
    if (!sendLocked(request))
        return nullptr;
    return awaitLocked(request, timeoutMs);
}

std::unique_ptr<AmbermeshClientResponse> AmbermeshClient::receiveResponse(const AmbermeshClientOutputMessage& request,
                                                                          int timeoutMs)
{
    // Each wait gets the whole time-out, but a pedal that never stops sending
    // (asynchronous messages, bytes one by one) cannot hold the call for ever.
    const QDeadlineTimer window(qint64(timeoutMs) * responseWindowFactor);
    for (;;) {
        if (!m_port || !m_port->isOpen()) {
            SLOG_DEBUG("Device is not open, can't perform read operation");
            return nullptr;
        }
        const int wait = int(qMin<qint64>(timeoutMs, window.remainingTime()));
        if (wait < 0 || !m_port->waitForReadyRead(wait)) {
            if (m_linkLost)
                SLOG_DEBUG("Device gone while waiting for serial #%u", unsigned(request.serialNumber));
            else
                SLOG_DEBUG("%s", qUtf8Printable(QStringLiteral("Timeout on serial #%1").arg(request.serialNumber)));
            return nullptr;
        }
        // Straight from the port's buffer into ours, without an intermediate copy.
        if (const qint64 available = m_port->bytesAvailable(); available > 0) {
            const qsizetype had = m_rxBuffer.size();
            m_rxBuffer.resize(had + qsizetype(available));
            const qint64 got = m_port->read(m_rxBuffer.data() + had, available);
            m_rxBuffer.resize(had + qsizetype(qMax<qint64>(got, 0)));
        }
        if (m_rxBuffer.isEmpty() && !m_rxStream) {
            SLOG_DEBUG("Unrecognized response.");
            return nullptr;
        }
        while (!m_rxBuffer.isEmpty()) {
            if (!m_rxStream)
                m_rxStream = std::make_unique<AmbermeshRxMessageStream>();
            const int used = m_rxStream->appendBytes(m_rxBuffer.constData(), int(m_rxBuffer.size()));
            m_rxBuffer.remove(0, used);
            if (!m_rxStream->isComplete())
                continue;
            if (m_rxStream->isAsyncMessage()) {
                m_rxStream->reset();
                continue;
            }
            std::unique_ptr<AmbermeshClientResponse> response = decodeResponse(std::move(m_rxStream));
            if (!response) {
                SLOG_DEBUG("Unrecognized response.");
                return nullptr;
            }
            // A late answer to an earlier request that already gave up: not ours, and
            // taking it for ours would make this request fail as well.
            if (qint32(request.serialNumber - response->serialNumber) > 0) {
                SLOG_DEBUG("Skipping late response to serial #%u while waiting for #%u",
                           unsigned(response->serialNumber), unsigned(request.serialNumber));
                continue;
            }
            return response;
        }
    }
}

template <class T>
std::unique_ptr<T> AmbermeshClient::expect(std::unique_ptr<AmbermeshClientResponse> response,
                                           const AmbermeshClientOutputMessage& request)
{
    if (!response)
        return nullptr;
    // Only an answer of the expected kind has the fields the caller reads.
    if (auto* typed = dynamic_cast<T*>(response.get())) {
        response.release();
        return std::unique_ptr<T>(typed);
    }
    SLOG_DEBUG("Response id %u does not answer request id %u (serial #%u)", unsigned(response->messageId),
               unsigned(request.messageId), unsigned(request.serialNumber));
    return nullptr;
}

template <class T>
std::unique_ptr<T> AmbermeshClient::call(AmbermeshClientOutputMessage& request)
{
    return expect<T>(transact(request, m_timeoutMs), request);
}

int AmbermeshClient::whoAmI(stDeviceInfo& out)
{
    WhoAmIRequest request;
    const auto response = call<WhoAmIResponse>(request);
    if (!response)
        return -1;
    out.familyId = response->familyId;
    out.deviceId = response->deviceId;
    out.protocolVersion = response->protocolVersion;
    out.firmwareVersion = response->firmwareVersion;
    out.guid = response->guid;
    out.name = response->deviceName;
    return 0;
}

int AmbermeshClient::getProperties(const QList<quint16>& ids, QMap<int, int>* intMap, QMap<int, QString>* stringMap)
{
    GetPropertiesRequest request(ids);
    const auto response = call<GetPropertiesResponse>(request);
    if (!response)
        return -1;
    if (intMap)
        *intMap = response->intValues;
    if (stringMap)
        *stringMap = response->stringValues;
    return 0;
}

int AmbermeshClient::getIntProperty(const QList<quint16>& selectors, quint16 id, int* value)
{
    GetPropertyRequest request(selectors, id);
    const auto response = call<GetPropertyResponse>(request);
    if (!response)
        return -1;
    if (response->isString) {
        SLOG_DEBUG("Property %u is a text, not a number", unsigned(response->propertyId));
        return -1;
    }
    if (value)
        *value = int(response->intValue);
    return 0;
}

int AmbermeshClient::getStringProperty(const QList<quint16>& selectors, quint16 id, QString* value)
{
    GetPropertyRequest request(selectors, id);
    const auto response = call<GetPropertyResponse>(request);
    if (!response)
        return -1;
    if (!response->isString) {
        SLOG_DEBUG("Property %u is a number, not a text", unsigned(response->propertyId));
        return -1;
    }
    if (value)
        *value = response->stringValue;
    return 0;
}

int AmbermeshClient::openRemoteFile(const QString& path, int readMode, quint64* handle, quint64* size)
{
    FileOpenRequest request(path, readMode != 0);
    const auto response = call<FileOpenResponse>(request);
    if (!response) {
        status(QStringLiteral("failed to open remote file\n"));
        return -1;
    }
    if (handle)
        *handle = response->handle;
    if (size)
        *size = response->fileSize;
    return 0;
}

int AmbermeshClient::closeRemoteFile(quint64 handle)
{
    FileCloseRequest request(handle);
    if (!call<AmbermeshClientResponse>(request)) {
        status(QStringLiteral("failed to close remote file"));
        return -1;
    }
    return 0;
}

int AmbermeshClient::deleteRemoteEntry(const QString& path)
{
    FileSystemEntryDeleteRequest request(path);
    return call<AmbermeshClientResponse>(request) ? 0 : -1;
}

int AmbermeshClient::listRemoteFolder(const QString& path, QStringList* files, QStringList* folders)
{
    FolderContentsRequest request(path);
    const auto response = call<FolderContentsResponse>(request);
    if (!response)
        return -1;
    if (files)
        *files = response->files;
    if (folders)
        *folders = response->folders;
    return 0;
}

int AmbermeshClient::getRemoteEntryInfo(const QString& path, int flag, stFileSystemEntryInfo* info)
{
    FileSystemEntryInfoRequest request(qint8(flag), path);
    const auto response = call<FileSystemEntryInfoResponse>(request);
    if (!response)
        return -1;
    if (info) {
        info->name = response->name;
        info->exists = response->exists;
        info->size = response->size;
        info->isFile = response->isFile;
        info->readOnly = response->readOnly;
        info->created = response->created;
        info->modified = response->modified;
        info->accessed = response->accessed;
    }
    return 0;
}

int AmbermeshClient::issueCommand(quint16 command, quint64 argument)
{
    IssueCommandRequest request(command, argument);
    return call<AmbermeshClientResponse>(request) ? 0 : -1;
}

int AmbermeshClient::remoteWaveLength(const QString& path, float* seconds)
{
    SLOG_SCOPE();
    if (seconds)
        *seconds = 0.0f;
    int channels = 0;
    if (getIntProperty({}, channelCountProperty, &channels) != 0)
        return -1;
    if (channels <= 0) {
        // Would divide by zero or give a negative length.
        SLOG_WARN("Device reports %d audio channels", channels);
        return -1;
    }
    quint64 handle = 0;
    if (openRemoteFile(path, 1, &handle) != 0)
        return -1;
    int result = -1;
    quint32 dataSize = 0;
    FileSeekRequest seek(handle, waveDataSizeOffset, 0);
    if (call<AmbermeshClientResponse>(seek)) {
        FileReadRequest read(handle, 4);
        const auto block = call<FileReadResponse>(read);
        if (block && block->length >= 4) {
            dataSize = qFromLittleEndian<quint32>(block->data);
            result = 0;
        }
    }
    closeRemoteFile(handle);
    if (result == 0 && seconds)
        *seconds = float(dataSize / (channels * 88200.0));
    return result;
}

int AmbermeshClient::getFile(const QString& remotePath, const QString& localPath, ProgressCallback callback)
{
    SLOG_SCOPE();
    QElapsedTimer elapsed;
    elapsed.start();
    quint64 handle = 0;
    quint64 size = 0;
    if (openRemoteFile(remotePath, 1, &handle, &size) != 0)
        return -1;
    status(QStringLiteral("Getting remote file ") + remotePath);

    // Written under a temporary name beside the target and renamed once complete:
    // a failed or cancelled transfer never leaves a partial file that looks whole.
    QSaveFile file(localPath);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        SLOG_DEBUG("Could not open %s %s %d", qUtf8Printable(localPath), qUtf8Printable(file.errorString()),
                   int(file.error()));
        closeRemoteFile(handle);
        return -1;
    }
    FileReadRequest request(handle, qint64(qMin<quint64>(size, std::numeric_limits<qint64>::max())));
    quint64 position = 0;
    int block = 0;
    int emptyInARow = 0;
    bool inFlight = false;
    // Ends a transfer that stops early: the answer to a request already sent is
    // awaited first, so it cannot be taken for the answer to FileClose.
    const auto abandon = [&]() {
        if (inFlight)
            awaitResponse(request, m_timeoutMs);
        closeRemoteFile(handle);
        return -1;
    };
    while (position < size) {
        if (!inFlight && !sendRequest(request)) {
            status(QStringLiteral("Failed on read"));
            return -1;
        }
        const auto response = expect<FileReadResponse>(awaitResponse(request, m_timeoutMs), request);
        inFlight = false;
        if (!response) {
            status(QStringLiteral("Failed on read"));
            return -1;
        }
        if (block % 256 == 0)
            status(QStringLiteral("Block %1 Received.").arg(block));
        const quint32 length = response->length;
        if (length > size - position) {
            SLOG_WARN("Device sent %u bytes at %llu of a %llu-byte file", unsigned(length),
                      static_cast<unsigned long long>(position), static_cast<unsigned long long>(size));
            status(QStringLiteral("Failed on read"));
            return abandon();
        }
        emptyInARow = length == 0 ? emptyInARow + 1 : 0;
        if (emptyInARow >= maxEmptyReads) {
            SLOG_WARN("Device sent no data %d times in a row at %llu of %llu bytes", emptyInARow,
                      static_cast<unsigned long long>(position), static_cast<unsigned long long>(size));
            status(QStringLiteral("Failed on read"));
            return abandon();
        }
        request.takeNextSerialNumber();
        // The next block is asked for before this one is stored: the pedal reads
        // it while the computer writes. Still one request in flight at a time.
        if (position + length < size) {
            if (!sendRequest(request)) {
                status(QStringLiteral("Failed on read"));
                return -1;
            }
            inFlight = true;
        }
        if (length > 0 && file.write(response->data, length) != qint64(length)) {
            SLOG_DEBUG("Writing to temp file failed. %s", qUtf8Printable(file.errorString()));
            return abandon();
        }
        if (callback && !callback(int(position * 100 / size), "")) {
            file.cancelWriting();
            QFile::remove(localPath);
            return abandon();
        }
        position += length;
        ++block;
    }
    if (!file.commit()) {
        SLOG_DEBUG("Writing to temp file failed. %s", qUtf8Printable(file.errorString()));
        closeRemoteFile(handle);
        return -1;
    }
    QFile::setPermissions(localPath, QFile::permissions(localPath) | QFileDevice::ReadUser | QFileDevice::WriteUser);
    if (closeRemoteFile(handle) != 0)
        return -1;
    status(QStringLiteral("File transfer completed successfully ") + throughputText(size, elapsed.elapsed()));
    return 0;
}

int AmbermeshClient::putFile(const QString& localPath, const QString& remotePath, ProgressCallback callback)
{
    SLOG_SCOPE();
    QElapsedTimer elapsed;
    elapsed.start();
    // The local file is opened first: a missing one must not truncate the remote file.
    QFile file(localPath);
    if (file.exists())
        file.setPermissions(file.permissions() | QFileDevice::ReadUser | QFileDevice::WriteUser);
    if (!file.open(QIODevice::ReadOnly)) {
        SLOG_DEBUG("Could not open %s %s %d", qUtf8Printable(localPath), qUtf8Printable(file.errorString()),
                   int(file.error()));
        return -1;
    }
    quint64 handle = 0;
    if (openRemoteFile(remotePath, 0, &handle) != 0)
        return -1;
    QDataStream in(&file);
    FileWriteRequest request(handle, &in);
    const qint64 size = file.size();
    const bool reportProgress = callback && localPath.endsWith(QLatin1String(".wav"));
    const QByteArray progressText = localPath.toLatin1();
    qint64 position = 0;
    int block = 0;
    while (position < size) {
        if (!sendRequest(request)) {
            status(QStringLiteral("Failed on write"));
            return -1;
        }
        const qint32 sent = request.lastBlock;
        // The next block is read from the local file while the pedal stores this one.
        if (position + sent < size)
            request.prefetch();
        if (!awaitResponse(request, m_timeoutMs)) {
            status(QStringLiteral("Failed on write"));
            return -1;
        }
        if (block % 256 == 0) {
            status(QStringLiteral("Block %1 Sent.").arg(block));
            SLOG_DEBUG("Block %d Sent", block);
        }
        request.takeNextSerialNumber();
        if (sent <= 0) {
            // The local file could not be read (or shrank): sending on would loop for ever.
            SLOG_WARN("Could not read %s at %lld: %s", qUtf8Printable(localPath), position,
                      qUtf8Printable(file.errorString()));
            status(QStringLiteral("Failed on write"));
            closeRemoteFile(handle);
            return -1;
        }
        position += sent;
        if (reportProgress)
            callback(int(position * 100 / size), progressText.constData());
        ++block;
    }
    file.close();
    if (closeRemoteFile(handle) != 0)
        return -1;
    status(QStringLiteral("File transfer completed successfully") + throughputText(quint64(size), elapsed.elapsed()));
    return 0;
}

int AmbermeshClient::putFolder(const QString& localFolder, const QString& remoteFolder, ProgressCallback callback)
{
    SLOG_SCOPE();
    const QFileInfo local(localFolder);
    if (!local.isDir()) {
        SLOG_WARN("No local folder %s to copy", qUtf8Printable(localFolder));
        return -1;
    }
    stFileSystemEntryInfo info;
    if (getRemoteEntryInfo(remoteFolder, 1, &info) != 0) {
        status(QStringLiteral("Can't get info for remote folder."));
        return -1;
    }
    if (!info.exists) {
        FileSystemEntryCreateRequest create(remoteFolder);
        transact(create, m_timeoutMs);
    }
    const QFileInfoList children =
        QDir(localFolder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& child : children) {
        const QString remoteChild = remoteFolder + QLatin1Char('/') + child.fileName();
        if (child.isDir()) {
            // A linked folder could lead back up the tree and recurse for ever.
            if (child.isSymLink()) {
                SLOG_WARN("Not following linked folder %s", qUtf8Printable(child.filePath()));
                continue;
            }
            if (putFolder(child.filePath(), remoteChild, callback) != 0)
                return -1;
        } else if (putFile(child.filePath(), remoteChild, callback) != 0) {
            return -1;
        }
    }
    return 0;
}
