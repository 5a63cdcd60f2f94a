#include "device/sdevicemanagerthread.h"

#include "core/sglobals.h"
#include "core/slog.h"
#include "core/stsettings.h"
#include "device/sdevicehandler.h"
#include "device/sdeviceoperations.h"
#include "device/sevent.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

namespace {
SDeviceManagerThread*& singleton()
{
    static SDeviceManagerThread* worker = nullptr;
    return worker;
}

// Counts an operation in progress for as long as it lives.
class BusyScope
{
public:
    explicit BusyScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~BusyScope() { --m_counter; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& m_counter;
};
} // namespace

SDeviceManagerThread::SDeviceManagerThread() : m_clock([] { return QDateTime::currentDateTime(); })
{
    createPollTimer();
}

SDeviceManagerThread::~SDeviceManagerThread()
{
    if (singleton() == this)
        singleton() = nullptr;
}

SDeviceManagerThread* SDeviceManagerThread::instance()
{
    if (!singleton()) {
        singleton() = new SDeviceManagerThread;
        QCoreApplication::postEvent(singleton(), new SEvent(SEvent::E_POLL_DEVICE));
    }
    return singleton();
}

void SDeviceManagerThread::destroyInstance()
{
    delete singleton();
}

void SDeviceManagerThread::createPollTimer()
{
    delete m_pollTimer;
    m_pollTimer = new QTimer(this);
    m_pollTimer->setSingleShot(true);
    m_pollTimer->setInterval(pollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &SDeviceManagerThread::onPollDevice, Qt::QueuedConnection);
}

void SDeviceManagerThread::onPollDevice()
{
    QCoreApplication::postEvent(this, new SEvent(SEvent::E_POLL_DEVICE));
}

void SDeviceManagerThread::onThreadStarted()
{
    createPollTimer();
    QCoreApplication::postEvent(this, new SEvent(SEvent::E_POLL_DEVICE));
}

void SDeviceManagerThread::onProgress(int percentage, QString strFileName)
{
    Q_UNUSED(strFileName);
    QString text;
    if (m_currentKind == SEvent::E_COPY_LOOPLIST_TO_DEVICE || m_currentKind == SEvent::E_COPY_LOOPS_TO_DEVICE)
        text = (tr("Copying ") + QStringLiteral("<b>") + tr("%1 ") + QStringLiteral("</b>") + tr("to device"))
                   .arg(m_currentName);
    else if (m_currentKind == SEvent::E_READ_LOOP)
        text = (tr("Reading loop ") + QStringLiteral("<b>") + tr("%1 ") + QStringLiteral("</b>") + tr("from device"))
                   .arg(m_currentName);
    Q_EMIT progress(percentage, text);
}

bool SDeviceManagerThread::progressCallback(int percentage, const char* text)
{
    if (SDeviceManagerThread* worker = singleton())
        worker->onProgress(percentage, QString::fromUtf8(text));
    return SGlobals::continueOperation().load();
}

void SDeviceManagerThread::customEvent(QEvent* event)
{
    const int kind = static_cast<int>(event->type());
    if (kind <= QEvent::User || kind > SEvent::E_POLL_DEVICE)
        return QObject::customEvent(event);
    if (kind == SEvent::E_POLL_DEVICE) {
        // A poll that arrives while an operation lets events run (a view showing
        // its progress) must not interleave its requests with the operation's.
        if (isBusy())
            m_pollTimer->start();
        else
            poll();
        return;
    }
    m_currentKind = kind;
    BusyScope busy(m_busy);
    handleOperation(kind, static_cast<SEvent*>(event)->payload());
}

void SDeviceManagerThread::handleOperation(int kind, void* payload)
{
    SDeviceHandler* handler = SDeviceHandler::instance();
    switch (kind) {
    case SEvent::E_COPY_LOOPLIST_TO_DEVICE: {
        QString error;
        if (payload && m_operations)
            m_operations->copyListToDevice(payload, m_currentName, error);
        Q_EMIT operationFinished(true, error);
        break;
    }
    case SEvent::E_COPY_LOOPS_TO_DEVICE: {
        QString error;
        bool result = false;
        if (payload && m_operations) {
            m_currentName = m_operations->writeRequestName(payload);
            result = m_operations->writeToDevice(payload, error);
        }
        Q_EMIT operationFinished(result, error);
        break;
    }
    case SEvent::E_UPDATE_LOOP: {
        int result = 0;
        if (const auto* paths = static_cast<const QStringList*>(payload); paths && paths->size() >= 2) {
            m_currentName.clear();
            result = handler->updateFile(paths->at(0), paths->at(1), &SDeviceManagerThread::progressCallback);
        }
        Q_EMIT operationFinished(result);
        break;
    }
    case SEvent::E_READ_LOOP: {
        int result = 0;
        if (const auto* paths = static_cast<const QStringList*>(payload); paths && paths->size() >= 2) {
            m_currentName.clear();
            result = handler->downloadFile(paths->at(0), paths->at(1), &SDeviceManagerThread::progressCallback);
        }
        Q_EMIT operationFinished(result);
        break;
    }
    case SEvent::E_CREATE_LOOPLIST: {
        void* created = nullptr;
        if (payload && m_operations)
            created = m_operations->createLoopListWithRecords(payload);
        Q_EMIT operationFinished(created);
        break;
    }
    case SEvent::E_CONNECT: {
        bool result = false;
        if (auto* device = static_cast<stDeviceData*>(payload)) {
            handler->readInternalMemory(*device, &SDeviceManagerThread::progressCallback);
            if (m_operations)
                m_operations->updateDBWithDeviceLoops(device, true);
            result = handler->readExternalMemory(*device, &SDeviceManagerThread::progressCallback);
            if (m_operations)
                m_operations->updateDBWithDeviceLoops(device, false);
        }
        Q_EMIT operationFinished(result);
        break;
    }
    case SEvent::E_SYNCHRONIZE: {
        SLOG_PLAIN("received event E_SYNCHRONIZE");
        if (auto* tables = static_cast<void**>(payload); tables && m_operations) {
            for (int i = 0; i < 2; ++i) {
                if (tables[i])
                    m_operations->applySynchronization(tables[i]);
            }
        }
        Q_EMIT operationFinished(true);
        break;
    }
    case SEvent::E_MULTIPLY: {
        int result = 0;
        if (payload && m_operations)
            result = m_operations->multiply(payload);
        Q_EMIT operationFinished(result);
        break;
    }
    default:
        break; // 1009 and 1010: nothing to do
    }
}

void SDeviceManagerThread::poll()
{
    SDeviceHandler* handler = SDeviceHandler::instance();
    auto* record = new stDeviceData;
    if (!m_settings)
        m_settings = std::make_unique<stSettings>();

    QSerialPort* port = handler->detectDevice(m_connected, record);
    if (!port) {
        if (m_connected) {
            m_connected = false;
            Q_EMIT deviceRemoved();
        }
        delete record;
    } else {
        if (!m_connected) {
            m_connected = true;
            // The receivers take the record over (the resource view keeps it).
            Q_EMIT deviceDetected(record);
        } else {
            delete record;
        }
        int freeInt = 0, usedInt = 0, freeExt = 0, usedExt = 0;
        handler->queryMemoryStatus(&freeInt, &usedInt, &freeExt, &usedExt);
        if (freeInt != m_lastFreeInternal || freeExt != m_lastFreeExternal)
            Q_EMIT memoryStatus(freeInt, usedInt, freeExt, usedExt);
        m_lastFreeInternal = freeInt;
        m_lastFreeExternal = freeExt;

        loadSettings(*m_settings);
        if (m_settings->monthlyUpdate) {
            const QDateTime now = m_clock();
            const QDateTime last = m_settings->lastCheckedDate;
            if (!last.isValid() || last.daysTo(now) >= 30) {
                m_settings->lastCheckedDate = now;
                saveSettings(*m_settings);
                Q_EMIT updateFirmware();
            }
        }
    }
    m_pollTimer->start();
}
