#pragma once

#include "device/ambermeshclientresponse.h"
#include "device/progresscallback.h"
#include "device/stdeviceinfo.h"
#include "device/stfilesystementryinfo.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QStringList>

#include <memory>

class AmbermeshClientOutputMessage;
class AmbermeshRxMessageStream;
class QDataStream;

// Host end of the pedal link. It owns no port: the device handler opens one and
// attaches it. One request at a time, answered synchronously; every call returns
// 0 or -1 (or a null response) and logs why it failed.
class AmbermeshClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 2000;
    // Device commands that bracket every change of a slot.
    static constexpr quint16 commandBeginChange = 0x1002;
    static constexpr quint16 commandEndChange = 0x1001;
    // A read that keeps returning no data ends after this many empty blocks in a row.
    static constexpr int maxEmptyReads = 8;
    // However the bytes trickle in, one response takes at most this many time-outs.
    static constexpr int responseWindowFactor = 5;

    explicit AmbermeshClient(QObject* parent = nullptr);
    ~AmbermeshClient() override;

    void attachPort(QSerialPort* port);
    QSerialPort* port() const { return m_port; }

    // Time-out of every typed call and transfer block.
    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }

    // Sends request and waits for the answer with its serial number; null on
    // time-out, a foreign serial number, an undecodable answer or a Failure.
    std::unique_ptr<AmbermeshClientResponse> transact(AmbermeshClientOutputMessage& request, int timeoutMs);
    std::unique_ptr<AmbermeshClientResponse> receiveResponse(const AmbermeshClientOutputMessage& request,
                                                             int timeoutMs);

    int whoAmI(stDeviceInfo& out);
    int getProperties(const QList<quint16>& ids, QMap<int, int>* intMap, QMap<int, QString>* stringMap);
    int getIntProperty(const QList<quint16>& selectors, quint16 id, int* value);
    int getStringProperty(const QList<quint16>& selectors, quint16 id, QString* value);
    // readMode non-zero opens for reading, zero creates the file for writing.
    int openRemoteFile(const QString& path, int readMode, quint64* handle, quint64* size = nullptr);
    int closeRemoteFile(quint64 handle);
    int deleteRemoteEntry(const QString& path);
    int listRemoteFolder(const QString& path, QStringList* files, QStringList* folders);
    int getRemoteEntryInfo(const QString& path, int flag, stFileSystemEntryInfo* info);
    int issueCommand(quint16 command, quint64 argument);
    // Length in seconds of a device WAV file, from its header's data size.
    int remoteWaveLength(const QString& path, float* seconds);

    int getFile(const QString& remotePath, const QString& localPath, ProgressCallback callback);
    int putFile(const QString& localPath, const QString& remotePath, ProgressCallback callback);
    int putFolder(const QString& localFolder, const QString& remoteFolder, ProgressCallback callback);

    // True once the port reported that the pedal went away, until the next attachPort.
    bool isLinkLost() const { return m_linkLost; }

Q_SIGNALS:
    // The port reported that the pedal went away; later calls fail at once.
    void linkLost();

public Q_SLOTS:
    void onSerialPortError(QSerialPort::SerialPortError error);

private:
    template <class T>
    std::unique_ptr<T> call(AmbermeshClientOutputMessage& request);
    template <class T>
    static std::unique_ptr<T> expect(std::unique_ptr<AmbermeshClientResponse> response,
                                     const AmbermeshClientOutputMessage& request);
    // The two halves of transact, for transfers that ask for the next block
    // before storing the last one. Each takes the lock itself.
    bool sendRequest(AmbermeshClientOutputMessage& request);
    std::unique_ptr<AmbermeshClientResponse> awaitResponse(const AmbermeshClientOutputMessage& request, int timeoutMs);
    bool sendLocked(AmbermeshClientOutputMessage& request);
    std::unique_ptr<AmbermeshClientResponse> awaitLocked(const AmbermeshClientOutputMessage& request, int timeoutMs);
    void discardStaleInput();
    static void status(const QString& text);

    QPointer<QSerialPort> m_port;
    std::unique_ptr<QDataStream> m_out;
    std::unique_ptr<AmbermeshRxMessageStream> m_rxStream;
    QMutex m_lock;
    QByteArray m_rxBuffer;
    int m_timeoutMs = defaultTimeoutMs;
    // Set when the port reported that the pedal went away; cleared by attachPort.
    bool m_linkLost = false;
};
