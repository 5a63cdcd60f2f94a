// Whole-file transfers through the virtual pedal over a pseudo-terminal: block
// boundaries, progress, cancelling, folder copies and every injected fault.

#include "device/ambermeshclient.h"
#include "logcapture.h"
#include "pedallink.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(SPedalFault)

namespace {
QList<int> g_percentages;
QList<QByteArray> g_texts;
int g_blocksBeforeCancel = -1;

bool record(int percent, const char* text)
{
    g_percentages.append(percent);
    g_texts.append(QByteArray(text));
    return g_blocksBeforeCancel < 0 || g_percentages.size() < g_blocksBeforeCancel;
}

void resetRecording(int blocksBeforeCancel = -1)
{
    g_percentages.clear();
    g_texts.clear();
    g_blocksBeforeCancel = blocksBeforeCancel;
}

int blocksFor(qint64 size)
{
    return int((size + 8168) / 8169);
}

// Everything in the folder except the given names: leftovers of a transfer.
QStringList strayFiles(const QString& folder, const QStringList& expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : expected)
        names.removeAll(name);
    return names;
}
} // namespace

class TestAmbermeshTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sizes_data();
    void getFileSizes();
    void getFileSizes_data() { sizes_data(); }
    void putFileSizes();
    void putFileSizes_data() { sizes_data(); }
    void readProgress();
    void writeProgress_data();
    void writeProgress();
    void cancelMidRead();
    void failedReadKeepsTarget();
    void missingLocalFile();
    void putFolderTree();
    void faults_data();
    void faults();
    void vanishedPedalIsNoticed();
};

void TestAmbermeshTransfer::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestAmbermeshTransfer::sizes_data()
{
    QTest::addColumn<qint64>("size");
    for (qint64 size : {0, 1, 8168, 8169, 8170, 20000, 16338, 3 * 1024 * 1024 + 17})
        QTest::addRow("%lld bytes", size) << size;
}

void TestAmbermeshTransfer::getFileSizes()
{
    QFETCH(qint64, size);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    const QByteArray content = PedalLink::pattern(size, quint32(size));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/source.bin"), content));
    const QString local = link.localDir() + QStringLiteral("/copy.bin");
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("source.bin")), local, nullptr), 0);
    QVERIFY(PedalLink::readFile(local) == content);
    const SPedalDevice::stStats stats = link.pedal().stats();
    QCOMPARE(stats.requestsById.value(12), blocksFor(size));
    QCOMPARE(stats.requestsById.value(16), 1);
    QCOMPARE(stats.openFiles, 0);
    QCOMPARE(strayFiles(link.localDir(), {QStringLiteral("copy.bin")}), QStringList());
}

void TestAmbermeshTransfer::putFileSizes()
{
    QFETCH(qint64, size);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    const QByteArray content = PedalLink::pattern(size, quint32(size) + 1);
    const QString local = link.localDir() + QStringLiteral("/source.bin");
    QVERIFY(PedalLink::writeFile(local, content));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/target.bin"), "previous content"));
    QCOMPARE(link.client().putFile(local, PedalLink::onDevice(QStringLiteral("target.bin")), nullptr), 0);
    QVERIFY(PedalLink::readFile(link.internalDir() + QStringLiteral("/target.bin")) == content);
    const SPedalDevice::stStats stats = link.pedal().stats();
    QCOMPARE(stats.requestsById.value(14), blocksFor(size));
    QCOMPARE(stats.requestsById.value(16), 1);
    QCOMPARE(stats.openFiles, 0);
}

void TestAmbermeshTransfer::readProgress()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/source.bin"), PedalLink::pattern(20000)));
    LogCapture log;
    resetRecording();
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("source.bin")),
                                   link.localDir() + QStringLiteral("/copy.bin"), record),
             0);
    // The position before each block: 0, 8169 and 16338 of 20000 bytes.
    QCOMPARE(g_percentages, (QList<int>{0, 40, 81}));
    QCOMPARE(g_texts, (QList<QByteArray>{"", "", ""}));
    QCOMPARE(log.statusTexts().first(), QStringLiteral("Getting remote file ") + PedalLink::onDevice("source.bin"));
    QVERIFY(log.reported(QStringLiteral("Block 0 Received.")));
    QVERIFY(!log.reported(QStringLiteral("Block 1 Received.")));
    QVERIFY(log.statusTexts().last().startsWith(QStringLiteral("File transfer completed successfully 20000bytes in ")));
    QVERIFY(log.statusTexts().last().endsWith(QStringLiteral(" MBit/s.")));
}

void TestAmbermeshTransfer::writeProgress_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("percentages");
    QTest::newRow("wav") << QStringLiteral("phrase.wav") << QList<int>{40, 81, 100};
    QTest::newRow("upper-case WAV") << QStringLiteral("phrase.WAV") << QList<int>{};
    QTest::newRow("xml") << QStringLiteral("patch.xml") << QList<int>{};
}

void TestAmbermeshTransfer::writeProgress()
{
    QFETCH(QString, name);
    QFETCH(QList<int>, percentages);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    const QString local = link.localDir() + QLatin1Char('/') + name;
    QVERIFY(PedalLink::writeFile(local, PedalLink::pattern(20000)));
    LogCapture log;
    resetRecording();
    QCOMPARE(link.client().putFile(local, PedalLink::onDevice(name), record), 0);
    QCOMPARE(g_percentages, percentages);
    for (const QByteArray& text : g_texts)
        QCOMPARE(text, local.toLatin1());
    QVERIFY(log.reported(QStringLiteral("Block 0 Sent.")));
    QVERIFY(log.logged(QStringLiteral("Block 0 Sent")));
    QVERIFY(log.statusTexts().last().startsWith(QStringLiteral("File transfer completed successfully20000bytes in ")));
}

void TestAmbermeshTransfer::cancelMidRead()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/source.bin"), PedalLink::pattern(100000)));
    const QString local = link.localDir() + QStringLiteral("/copy.bin");
    QVERIFY(PedalLink::writeFile(local, QByteArray())); // prepared as the device handler does
    resetRecording(1);
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("source.bin")), local, record), -1);
    QCOMPARE(g_percentages, QList<int>{0});
    QVERIFY(!QFile::exists(local));
    QCOMPARE(strayFiles(link.localDir(), {}), QStringList());
    const SPedalDevice::stStats stats = link.pedal().stats();
    // The second block was already asked for when the first was stored.
    QCOMPARE(stats.requestsById.value(12), 2);
    QCOMPARE(stats.requestsById.value(16), 1);
    QCOMPARE(stats.openFiles, 0);
}

void TestAmbermeshTransfer::failedReadKeepsTarget()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/source.bin"), PedalLink::pattern(50000)));
    const QString local = link.localDir() + QStringLiteral("/copy.bin");
    QVERIFY(PedalLink::writeFile(local, "the earlier copy"));
    SPedalFault fault;
    fault.mode = SPedalFault::E_NO_ANSWER;
    fault.after = 3; // open and two blocks
    link.pedal().setFault(fault);
    LogCapture log;
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("source.bin")), local, nullptr), -1);
    QVERIFY(log.reported(QStringLiteral("Failed on read")));
    QCOMPARE(PedalLink::readFile(local), QByteArray("the earlier copy"));
    QCOMPARE(strayFiles(link.localDir(), {QStringLiteral("copy.bin")}), QStringList());
}

void TestAmbermeshTransfer::missingLocalFile()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/keep.bin"), "keep me"));
    LogCapture log;
    QCOMPARE(link.client().putFile(link.localDir() + QStringLiteral("/missing.bin"),
                                   PedalLink::onDevice(QStringLiteral("keep.bin")), nullptr),
             -1);
    QVERIFY(log.logged(QStringLiteral("Could not open ") + link.localDir() + QStringLiteral("/missing.bin")));
    // The remote file was not opened for writing, so it was not truncated.
    QCOMPARE(PedalLink::readFile(link.internalDir() + QStringLiteral("/keep.bin")), QByteArray("keep me"));
    QCOMPARE(link.client().putFolder(link.localDir() + QStringLiteral("/no-such-folder"),
                                     PedalLink::onDevice(QStringLiteral("Patch01")), nullptr),
             -1);
    QTest::qWait(20);
    QCOMPARE(link.pedal().stats().requests, 0ull);
    // A local target in a folder that does not exist.
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("keep.bin")),
                                   link.localDir() + QStringLiteral("/no-such-folder/copy.bin"), nullptr),
             -1);
    QCOMPARE(link.pedal().stats().openFiles, 0);
}

void TestAmbermeshTransfer::putFolderTree()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    const QString staging = link.localDir() + QStringLiteral("/Internal/Loop_05");
    QVERIFY(QDir().mkpath(staging + QStringLiteral("/PhraseA")));
    const QByteArray audio = PedalLink::pattern(30000, 5);
    QVERIFY(PedalLink::writeFile(staging + QStringLiteral("/patch.xml"), "<OstinoPatch/>"));
    QVERIFY(PedalLink::writeFile(staging + QStringLiteral("/PhraseA/phrase.wav"), audio));
    QVERIFY(PedalLink::writeFile(staging + QStringLiteral("/PhraseA/phrase.xml"), "<OstinoPhrase/>"));
    const QString remote = QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("Patch05");

    QCOMPARE(link.client().putFolder(staging, remote, nullptr), 0);
    const QString slot = link.internalDir() + QStringLiteral("/Patch05");
    QCOMPARE(PedalLink::readFile(slot + QStringLiteral("/patch.xml")), QByteArray("<OstinoPatch/>"));
    QVERIFY(PedalLink::readFile(slot + QStringLiteral("/PhraseA/phrase.wav")) == audio);
    QCOMPARE(PedalLink::readFile(slot + QStringLiteral("/PhraseA/phrase.xml")), QByteArray("<OstinoPhrase/>"));
    QCOMPARE(link.pedal().stats().requestsById.value(7), 2); // the slot folder and PhraseA

    // Again: both folders exist now, so nothing is created; the files are replaced.
    QVERIFY(PedalLink::writeFile(staging + QStringLiteral("/patch.xml"), "<OstinoPatch version=\"2\"/>"));
    QCOMPARE(link.client().putFolder(staging, remote, nullptr), 0);
    QCOMPARE(link.pedal().stats().requestsById.value(7), 2);
    QCOMPARE(PedalLink::readFile(slot + QStringLiteral("/patch.xml")), QByteArray("<OstinoPatch version=\"2\"/>"));

    // A folder the pedal refuses ends the copy.
    LogCapture log;
    SPedalFault fault;
    fault.mode = SPedalFault::E_FAIL_PATHS;
    fault.pattern = QStringLiteral("*Patch06");
    link.pedal().setFault(fault);
    QCOMPARE(link.client().putFolder(staging, QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("Patch06"),
                                     nullptr),
             -1);
    QVERIFY(log.reported(QStringLiteral("Can't get info for remote folder.")));
}

void TestAmbermeshTransfer::faults_data()
{
    QTest::addColumn<SPedalFault>("fault");
    QTest::addColumn<int>("getResult");
    QTest::addColumn<int>("putResult");
    const int timeout = PedalLink::testTimeoutMs;
    // The first requests (open, a block or two) are served well; then the fault.
    const auto make = [](SPedalFault::E_MODE mode, int arg, int after = 3, const QString& pattern = QString()) {
        SPedalFault f;
        f.mode = mode;
        f.arg = arg;
        f.after = after;
        f.pattern = pattern;
        f.seed = 11;
        return f;
    };
    for (SPedalFault::E_MODE mode : SPedalFault::modes()) {
        const QByteArray name = SPedalFault::name(mode).toLatin1();
        switch (mode) {
        case SPedalFault::E_NONE:
            QTest::newRow(name) << make(mode, 0) << 0 << 0;
            break;
        case SPedalFault::E_DELAY:
            QTest::newRow("delay within time-out") << make(mode, timeout / 4) << 0 << 0;
            QTest::newRow("delay past time-out") << make(mode, timeout * 2) << -1 << -1;
            break;
        case SPedalFault::E_NO_ANSWER:
        case SPedalFault::E_WRONG_SERIAL:
            QTest::newRow(name) << make(mode, 0) << -1 << -1;
            break;
        case SPedalFault::E_DROP_AFTER_MESSAGES:
            QTest::newRow(name) << make(mode, 2) << -1 << -1;
            break;
        case SPedalFault::E_DROP_AFTER_BYTES:
            QTest::newRow("drop mid-message") << make(mode, 25) << -1 << -1;
            QTest::newRow("drop mid-header") << make(mode, 3, 1) << -1 << -1;
            break;
        case SPedalFault::E_CHUNKED:
            QTest::newRow(name) << make(mode, 600, 0) << 0 << 0;
            break;
        case SPedalFault::E_ASYNC_BEFORE:
            QTest::newRow(name) << make(mode, 2, 0) << 0 << 0;
            break;
        case SPedalFault::E_CORRUPT_BYTE:
            for (int index = 0; index < 10; ++index)
                QTest::addRow("corrupt byte %d", index) << make(mode, index) << -1 << -1;
            break;
        case SPedalFault::E_ZERO_READS:
            QTest::newRow(name) << make(mode, 0, 0) << -1 << 0; // writes are not affected
            break;
        case SPedalFault::E_FAIL_PATHS:
            QTest::newRow(name) << make(mode, 0, 0, QStringLiteral("*/transfer.bin")) << -1 << -1;
            break;
        case SPedalFault::E_VANISH:
            QTest::newRow(name) << make(mode, 2, 0) << -1 << -1;
            break;
        }
    }
}

void TestAmbermeshTransfer::faults()
{
    QFETCH(SPedalFault, fault);
    QFETCH(int, getResult);
    QFETCH(int, putResult);
    const QByteArray content = PedalLink::pattern(5 * 8169 + 100, 3);
    const struct
    {
        bool reading;
        int expected;
    } directions[] = {{true, getResult}, {false, putResult}};
    for (const auto& direction : directions) {
        PedalLink link;
        QString error;
        QVERIFY2(link.start(&error), qPrintable(error));
        const QString pedalFile = link.internalDir() + QStringLiteral("/transfer.bin");
        const QString local = link.localDir() + QStringLiteral("/transfer.bin");
        QVERIFY(PedalLink::writeFile(direction.reading ? pedalFile : local, content));
        link.pedal().setFault(fault);
        const QString remote = PedalLink::onDevice(QStringLiteral("transfer.bin"));
        const int result = direction.reading ? link.client().getFile(remote, local, nullptr)
                                             : link.client().putFile(local, remote, nullptr);
        QCOMPARE(result, direction.expected);
        if (direction.reading) {
            // A copy is there complete or not at all.
            QCOMPARE(QFile::exists(local), result == 0);
            if (result == 0)
                QVERIFY(PedalLink::readFile(local) == content);
            QCOMPARE(strayFiles(link.localDir(), {QStringLiteral("transfer.bin")}), QStringList());
        } else if (result == 0) {
            QVERIFY(PedalLink::readFile(pedalFile) == content);
        }
    }
}

void TestAmbermeshTransfer::vanishedPedalIsNoticed()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/source.bin"), PedalLink::pattern(100000)));
    SPedalFault fault;
    fault.mode = SPedalFault::E_VANISH;
    fault.arg = 3;
    link.pedal().setFault(fault);
    link.client().setTimeout(5000); // the loss must be noticed without waiting for time-outs
    const QString local = link.localDir() + QStringLiteral("/copy.bin");
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(link.client().getFile(PedalLink::onDevice(QStringLiteral("source.bin")), local, nullptr), -1);
    QVERIFY(link.pedal().hasVanished());
    QVERIFY(link.client().isLinkLost());
    LogCapture log;
    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), -1);
    QCOMPARE(log.statusTexts(), QStringList{QStringLiteral("Not connected.")});
    QVERIFY2(elapsed.elapsed() < 5000, "waited for a time-out");
    QVERIFY(!QFile::exists(local));
}

QTEST_GUILESS_MAIN(TestAmbermeshTransfer)
#include "tst_ambermeshtransfer.moc"
