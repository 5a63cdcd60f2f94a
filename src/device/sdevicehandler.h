#pragma once

#include "device/ambermeshclient.h"
#include "device/progresscallback.h"
#include "device/stdevicedata.h"

#include <QPointer>
#include <QSerialPort>
#include <QString>

#include <functional>
#include <memory>

class SPortDiscovery;

// Owns the pedal's serial port, the protocol client and the cached contents of the
// pedal's two memories. Detects and opens the pedal, reads its identity and memory
// figures, and moves loops between the application and the pedal's slots.
class SDeviceHandler
{
public:
    // Pedal properties used here.
    enum E_PROPERTY : quint16
    {
        E_PROP_HAS_EXTERNAL = 5,
        E_PROP_CHANNELS = 7,
        E_PROP_FREE_INTERNAL = 10,
        E_PROP_CAPACITY_INTERNAL = 11,
        E_PROP_FREE_EXTERNAL = 12,
        E_PROP_CAPACITY_EXTERNAL = 13,
        E_PROP_STATUS = 15,
        E_PROP_INTERNAL_ROOT = 0x800B,
        E_PROP_EXTERNAL_ROOT = 0x800C,
    };

    ~SDeviceHandler();
    static SDeviceHandler* instance();
    // Closes the port and forgets everything (tests start afresh with it).
    static void destroyInstance();

    // Where pedals are looked for (tests and demo mode point it at virtual pedals).
    void setPortDiscovery(std::unique_ptr<SPortDiscovery> discovery);

    // The open port of a usable pedal, or null. checkOnly: a pedal is connected;
    // only check that it is still there and unchanged.
    QSerialPort* detectDevice(bool checkOnly, stDeviceData* out);
    void closePort();
    void readMemoryStatus(stDeviceData* out);
    void queryMemoryStatus(int* freeInternal, int* usedInternal, int* freeExternal, int* usedExternal);
    // Hands the cached memories to the main window's synchronisation.
    void synchronize();
    using SynchronizeHandler = std::function<void(const stDeviceData* internal, const stDeviceData* external)>;
    void setSynchronizeHandler(SynchronizeHandler handler) { m_synchronizeHandler = std::move(handler); }

    // Loop exchange.
    bool readInternalMemory(stDeviceData& device, ProgressCallback callback);
    bool readExternalMemory(stDeviceData& device, ProgressCallback callback);
    bool readLoops(QStringList names, const QString& root, stDeviceData& device, ProgressCallback callback);
    bool writeLoop(stDeviceData* device, QString* stagedAudioPath, QString* devicePath, ProgressCallback callback);
    bool writePatchFile(const stDeviceData& device, const stLoop& loop, QString& folder, ProgressCallback callback);
    bool writePhraseFile(const stDeviceData& device, const stLoop& loop, QString& folder, ProgressCallback callback);
    int deleteLoop(const QString& deviceFolder, int loopNumber, bool internal);
    void cacheLoop(const stLoop& loop, bool internal);
    void uncacheLoop(int loopNumber, bool internal);
    static QString uniqueStagingName(const QString& name, const QString& memoryWord);

    // Fetches a device file to localPath (parent folders are created).
    int downloadFile(const QString& remotePath, const QString& localPath, ProgressCallback callback);
    // Replaces a device file: putFile between the two change commands.
    int updateFile(const QString& localPath, const QString& remotePath, ProgressCallback callback);

    AmbermeshClient& client() { return m_client; }
    QSerialPort* port() const { return m_port; }
    const stDeviceData* internalCache() const { return m_internalCache.get(); }
    const stDeviceData* externalCache() const { return m_externalCache.get(); }

private:
    SDeviceHandler();
    void disconnect();
    bool readMemory(stDeviceData& device, bool internal, ProgressCallback callback);
    std::unique_ptr<stDeviceData>& cache(bool internal) { return internal ? m_internalCache : m_externalCache; }
    QString memoryRoot(bool internal);
    bool uploadDocument(const QString& local, const QString& remote, ProgressCallback callback);

    QPointer<QSerialPort> m_port;
    AmbermeshClient m_client;
    std::unique_ptr<stDeviceData> m_internalCache;
    std::unique_ptr<stDeviceData> m_externalCache;
    std::unique_ptr<SPortDiscovery> m_discovery;
    SynchronizeHandler m_synchronizeHandler;

    // State of detectDevice.
    int m_lastCount = 0;
    QString m_lastPortName;
    bool m_lastExternal = false;
};
