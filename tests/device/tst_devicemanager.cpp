#include "core/stsettings.h"
#include "device/sdevicehandler.h"
#include "device/sdevicemanagerthread.h"
#include "device/sdeviceoperations.h"
#include "device/sevent.h"
#include "device/svirtualportdiscovery.h"
#include "spedalsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// Detection, polling and memory figures against the virtual pedal over a real pty.
class TestDeviceManager : public QObject
{
    Q_OBJECT
private:
    struct Pedal
    {
        QTemporaryDir root;
        std::unique_ptr<SPedalSimulator> sim;
    };
    std::unique_ptr<Pedal> startPedal(bool external = true, quint32 usedKiB = 0);
    void pointAt(const QStringList& ports);
    static void poll();
    SDeviceManagerThread* m_worker = nullptr;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void detectionRemovalAndRedetection();
    void externalMemoryFlipReconnects();
    void pedalThatStopsAnswering();
    void memoryStatusRules();
    void monthlyReminder_data();
    void monthlyReminder();
    void pollWaitsForRunningOperation();
};

void TestDeviceManager::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestDeviceManager::init()
{
    m_worker = SDeviceManagerThread::instance();
    SDeviceHandler::instance()->client().setTimeout(300);
}

void TestDeviceManager::cleanup()
{
    SDeviceManagerThread::destroyInstance();
    SDeviceHandler::destroyInstance();
}

std::unique_ptr<TestDeviceManager::Pedal> TestDeviceManager::startPedal(bool external, quint32 usedKiB)
{
    auto pedal = std::make_unique<Pedal>();
    SPedalConfig config;
    config.internalDir = pedal->root.path() + QStringLiteral("/internal");
    QDir().mkpath(config.internalDir);
    if (external) {
        config.externalDir = pedal->root.path() + QStringLiteral("/external");
        QDir().mkpath(config.externalDir);
    }
    config.systemDir = pedal->root.path() + QStringLiteral("/system");
    config.internalCapacityKiB = 8 * 1024;
    config.externalCapacityKiB = 16 * 1024;
    if (usedKiB > 0) {
        QFile file(config.internalDir + QStringLiteral("/ballast.bin"));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(qsizetype(usedKiB) * 1024, 'x'));
    }
    pedal->sim = std::make_unique<SPedalSimulator>(config);
    QString error;
    if (!pedal->sim->open(&error) || !pedal->sim->start()) {
        qWarning("cannot start the virtual pedal: %s", qPrintable(error));
        return nullptr;
    }
    return pedal;
}

void TestDeviceManager::pointAt(const QStringList& ports)
{
    SDeviceHandler::instance()->setPortDiscovery(std::make_unique<SVirtualPortDiscovery>(ports));
}

void TestDeviceManager::poll()
{
    SEvent event(SEvent::E_POLL_DEVICE);
    QCoreApplication::sendEvent(SDeviceManagerThread::instance(), &event);
}

void TestDeviceManager::detectionRemovalAndRedetection()
{
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    QSignalSpy removed(m_worker, &SDeviceManagerThread::deviceRemoved);
    QSignalSpy memory(m_worker, &SDeviceManagerThread::memoryStatus);

    // No pedal: nothing is reported, not even a removal.
    pointAt({});
    poll();
    QCOMPARE(detected.count(), 0);
    QCOMPARE(removed.count(), 0);

    auto pedal = startPedal();
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    poll();
    QCOMPARE(detected.count(), 1);
    std::unique_ptr<const stDeviceData> record(detected.at(0).at(0).value<const stDeviceData*>());
    QCOMPARE(record->name, QStringLiteral("Ostino Alto HD"));
    QCOMPARE(record->portName, pedal->sim->portPath());
    QVERIFY(record->hasExternalMemory);
    QCOMPARE(memory.count(), 1);
    QCOMPARE(memory.at(0).at(0).toInt(), 8); // free internal MiB of an empty 8 MiB memory
    QCOMPARE(memory.at(0).at(2).toInt(), 16);

    // Still there: not reported again.
    poll();
    QCOMPARE(detected.count(), 1);
    QCOMPARE(removed.count(), 0);

    // The pedal goes away.
    pedal.reset();
    poll();
    QCOMPARE(removed.count(), 1);
    QVERIFY(!SDeviceHandler::instance()->port());

    // It comes back (a new pty): detected afresh.
    auto again = startPedal();
    QVERIFY(again);
    pointAt({again->sim->portPath()});
    poll();
    QCOMPARE(detected.count(), 2);
    delete detected.at(1).at(0).value<const stDeviceData*>();
}

void TestDeviceManager::externalMemoryFlipReconnects()
{
    auto pedal = startPedal(false);
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    QSignalSpy removed(m_worker, &SDeviceManagerThread::deviceRemoved);
    poll();
    QCOMPARE(detected.count(), 1);
    QVERIFY(!detected.at(0).at(0).value<const stDeviceData*>()->hasExternalMemory);
    delete detected.at(0).at(0).value<const stDeviceData*>();

    // A card is put in: property 5 now answers 1.
    pedal->sim->setAnswerFilter([](const QByteArray& request, const QByteArray& answer) -> QList<QByteArray> {
        const bool getProperty5 = request.size() == 13 && qFromLittleEndian<quint16>(request.constData()) == 26 &&
                                  qFromLittleEndian<quint16>(request.constData() + 11) == 5;
        if (!getProperty5 || answer.size() != 16)
            return {answer};
        QByteArray changed = answer;
        qToLittleEndian<quint32>(1, changed.data() + 12);
        return {changed};
    });
    poll();
    QCOMPARE(removed.count(), 1);
    poll();
    QCOMPARE(detected.count(), 2);
    QVERIFY(detected.at(1).at(0).value<const stDeviceData*>()->hasExternalMemory);
    delete detected.at(1).at(0).value<const stDeviceData*>();
}

void TestDeviceManager::pedalThatStopsAnswering()
{
    auto pedal = startPedal();
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    QSignalSpy removed(m_worker, &SDeviceManagerThread::deviceRemoved);
    poll();
    QCOMPARE(detected.count(), 1);
    delete detected.at(0).at(0).value<const stDeviceData*>();

    SPedalFault silent;
    silent.mode = SPedalFault::E_NO_ANSWER;
    pedal->sim->setFault(silent);
    poll();
    QCOMPARE(removed.count(), 1);
    // Port closed; while it stays silent it is not reported again.
    poll();
    QCOMPARE(detected.count(), 1);
    QCOMPARE(removed.count(), 1);
}

void TestDeviceManager::memoryStatusRules()
{
    QSignalSpy memory(m_worker, &SDeviceManagerThread::memoryStatus);
    auto pedal = startPedal(true, 3 * 1024);
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    poll();
    QCOMPARE(memory.count(), 1);
    QCOMPARE(memory.at(0), (QList<QVariant> {5, 3, 16, 0}));
    poll();
    QCOMPARE(memory.count(), 1); // unchanged figures are not reported again

    // Reconnection with the same figures: still not reported (the last values survive).
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    pointAt({});
    poll();
    pointAt({pedal->sim->portPath()});
    poll();
    QCOMPARE(detected.count(), 1);
    delete detected.at(0).at(0).value<const stDeviceData*>();
    QCOMPARE(memory.count(), 1);

    // Space freed: reported.
    QVERIFY(QFile::remove(pedal->root.path() + QStringLiteral("/internal/ballast.bin")));
    poll();
    QCOMPARE(memory.count(), 2);
    QCOMPARE(memory.at(1).at(0).toInt(), 8);
}

void TestDeviceManager::monthlyReminder_data()
{
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<bool>("reminded");
    QTest::newRow("29 days") << 29 << true << false;
    QTest::newRow("30 days") << 30 << true << true;
    QTest::newRow("never checked") << -1 << true << true;
    QTest::newRow("monthly off") << 400 << false << false;
}

void TestDeviceManager::monthlyReminder()
{
    QFETCH(int, daysAgo);
    QFETCH(bool, monthly);
    QFETCH(bool, reminded);
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0));
    stSettings settings;
    loadSettings(settings);
    settings.monthlyUpdate = monthly;
    settings.lastCheckedDate = daysAgo < 0 ? QDateTime() : now.addDays(-daysAgo);
    saveSettings(settings);
    m_worker->setClock([now] { return now; });

    auto pedal = startPedal();
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    QSignalSpy update(m_worker, &SDeviceManagerThread::updateFirmware);
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    poll();
    QCOMPARE(detected.count(), 1);
    delete detected.at(0).at(0).value<const stDeviceData*>();
    QCOMPARE(update.count(), reminded ? 1 : 0);
    loadSettings(settings);
    if (reminded)
        QCOMPARE(settings.lastCheckedDate, now);
    // Once reminded, the next poll does not remind again.
    poll();
    QCOMPARE(update.count(), reminded ? 1 : 0);
}

namespace {
// A view operation that lets a poll in half way, as a view showing progress does.
class PollingOperations : public SDeviceOperations
{
public:
    explicit PollingOperations(SPedalSimulator* pedal) : m_pedal(pedal) {}
    void copyListToDevice(void*, QString&, QString&) override {}
    bool writeToDevice(void*, QString&) override { return false; }
    QString writeRequestName(void*) override { return QString(); }
    void* createLoopListWithRecords(void*) override { return nullptr; }
    void updateDBWithDeviceLoops(stDeviceData*, bool) override {}
    void applySynchronization(void*) override {}
    int multiply(void*) override
    {
        const quint64 before = m_pedal->stats().requests;
        SEvent poll(SEvent::E_POLL_DEVICE);
        QCoreApplication::sendEvent(SDeviceManagerThread::instance(), &poll);
        requestsDuringPoll = m_pedal->stats().requests - before;
        return 7;
    }
    quint64 requestsDuringPoll = 99;

private:
    SPedalSimulator* m_pedal;
};
} // namespace

void TestDeviceManager::pollWaitsForRunningOperation()
{
    auto pedal = startPedal();
    QVERIFY(pedal);
    pointAt({pedal->sim->portPath()});
    QSignalSpy detected(m_worker, &SDeviceManagerThread::deviceDetected);
    poll();
    QCOMPARE(detected.count(), 1);
    delete detected.at(0).at(0).value<const stDeviceData*>();

    PollingOperations operations(pedal->sim.get());
    m_worker->setOperations(&operations);
    QSignalSpy finished(m_worker, qOverload<int>(&SDeviceManagerThread::operationFinished));
    int payload = 0;
    SEvent multiply(SEvent::E_MULTIPLY, &payload);
    QCoreApplication::sendEvent(m_worker, &multiply);
    m_worker->setOperations(nullptr);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 7);
    QCOMPARE(operations.requestsDuringPoll, quint64(0));
    QVERIFY(!m_worker->isBusy());
    // Afterwards the poll works again.
    const quint64 before = pedal->sim->stats().requests;
    poll();
    QVERIFY(pedal->sim->stats().requests > before);
}

QTEST_GUILESS_MAIN(TestDeviceManager)
#include "tst_devicemanager.moc"
