#pragma once

#include "device/stdevicedata.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class SDeviceOperations;
struct stSettings;

// The device worker: carries out device operations posted to it as SEvents and
// polls for the pedal every two seconds. Despite its name it lives on the GUI
// thread; its events are handled by the GUI thread's event loop (in practice the
// modal loop of the progress dialog that posted them).
class SDeviceManagerThread : public QObject
{
    Q_OBJECT
public:
    static constexpr int pollIntervalMs = 2000;

    ~SDeviceManagerThread() override;

    // The singleton, created on first call (and its first poll posted).
    static SDeviceManagerThread* instance();
    // Deletes the singleton (the main window does this at close).
    static void destroyInstance();

    // The views' implementation of the operations they own; not owned.
    void setOperations(SDeviceOperations* operations) { m_operations = operations; }
    SDeviceOperations* operations() const { return m_operations; }
    // The clock of the monthly firmware reminder (tests inject their own).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    int currentKind() const { return m_currentKind; }
    QString currentName() const { return m_currentName; }
    void setCurrentName(const QString& name) { m_currentName = name; }
    // Forgets the connected pedal so that the next poll reports it as newly detected.
    void forgetDevice() { m_connected = false; }
    // True while an operation is being carried out (polls then touch no device).
    bool isBusy() const { return m_busy > 0; }

    // Progress callback of device transfers: forwards to progress() and returns
    // whether to go on (false once the dialog's Cancel was clicked).
    static bool progressCallback(int percentage, const char* text);

Q_SIGNALS:
    void operationFinished(void* pData);
    void operationFinished(int iData);
    void operationFinished(bool bData);
    void operationFinished(bool bData, QString text);
    void progress(int percentage, QString text);
    void deviceDetected(const stDeviceData* pDeviceData);
    void deviceRemoved();
    void memoryStatus(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);
    void updateFirmware();

public Q_SLOTS:
    void onProgress(int percentage, QString strFileName);
    void onThreadStarted();
    void onPollDevice();

protected:
    void customEvent(QEvent* event) override;

private:
    SDeviceManagerThread();
    void createPollTimer();
    void poll();
    void handleOperation(int kind, void* payload);

    QString m_currentName;
    int m_currentKind = 1000;
    QTimer* m_pollTimer = nullptr;
    SDeviceOperations* m_operations = nullptr;
    std::function<QDateTime()> m_clock;
    int m_busy = 0;

    // State of the poll.
    bool m_connected = false;
    int m_lastFreeInternal = 0;
    int m_lastFreeExternal = 0;
    std::unique_ptr<stSettings> m_settings;
};
