#include "core/sglobals.h"
#include "device/sdevicehandler.h"
#include "device/sloopdocuments.h"
#include "device/svirtualportdiscovery.h"
#include "sdemoloops.h"
#include "spedalsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray PedalFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void PedalWrite(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}
} // namespace

// Reading and writing loops on the virtual pedal, and the command-line tool's
// backup, restore and pull, over a real pty.
class TestLoopExchange : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;
    std::unique_ptr<SPedalSimulator> m_pedal;
    SPedalConfig m_config;
    QString m_groove; // a short loop in the pedal's format

    bool startPedal();
    void stopPedal();
    bool connectHandler();
    QString slotDir(int slot) const;
    void makeSlot(int slot, const QString& name);
    static QMap<QString, QByteArray> snapshot(const QString& folder);
    int cli(const QStringList& args, QByteArray* out = nullptr);

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void writeThenReadRoundTrip();
    void rewritingSlotReplacesCache();
    void unstageableAudioUploadsNothing();
    void readMemories_data();
    void readMemories();
    void settingsDocumentsOnly();
    void deleteSlot();
    void cliBackupWipeRestore();
    void cliListAndInfo();
    void cliPullInterruptedLeavesNoFile();
    void cliRefusesWrongFormat();
};

void TestLoopExchange::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(SGlobals::prepareWorkingFolder());
    m_groove = m_root.filePath(QStringLiteral("groove.wav"));
    QVERIFY(SDemoLoops::writeGroove(m_groove, 0, 240.0, 1));
}

void TestLoopExchange::init()
{
    QDir(m_root.filePath(QStringLiteral("pedal"))).removeRecursively();
    m_config = SPedalConfig();
    m_config.internalDir = m_root.filePath(QStringLiteral("pedal/internal"));
    m_config.externalDir = m_root.filePath(QStringLiteral("pedal/external"));
    m_config.systemDir = m_root.filePath(QStringLiteral("pedal/system"));
    QDir().mkpath(m_config.internalDir);
    QDir().mkpath(m_config.externalDir);
    QVERIFY(startPedal());
}

void TestLoopExchange::cleanup()
{
    SDeviceHandler::destroyInstance();
    stopPedal();
}

bool TestLoopExchange::startPedal()
{
    m_pedal = std::make_unique<SPedalSimulator>(m_config);
    QString error;
    if (!m_pedal->open(&error) || !m_pedal->start()) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

void TestLoopExchange::stopPedal()
{
    m_pedal.reset();
}

bool TestLoopExchange::connectHandler()
{
    SDeviceHandler* handler = SDeviceHandler::instance();
    handler->client().setTimeout(500);
    handler->setPortDiscovery(std::make_unique<SVirtualPortDiscovery>(QStringList {m_pedal->portPath()}));
    stDeviceData record;
    return handler->detectDevice(false, &record) != nullptr;
}

QString TestLoopExchange::slotDir(int slot) const
{
    return m_config.internalDir + QStringLiteral("/Patch") + SLoopDocuments::slotNumberText(quint32(slot));
}

// A slot made on disk as the pedal keeps it.
void TestLoopExchange::makeSlot(int slot, const QString& name)
{
    stDeviceData device;
    device.name = m_config.model;
    stLoop loop;
    loop.name = name;
    loop.loopNumber = quint32(slot);
    loop.rhythmType = QStringLiteral("2-Sticks");
    loop.stopMode = QStringLiteral("FadeOut");
    loop.beatsPerMinute = 100.0f + float(slot);
    loop.patchId = QStringLiteral("patch-%1").arg(slot);
    QDir().mkpath(slotDir(slot) + QStringLiteral("/PhraseA"));
    QFile::copy(m_groove, slotDir(slot) + QStringLiteral("/PhraseA/phrase.wav"));
    SLoopDocuments::writePatchDocument(device, loop, slotDir(slot));
    SLoopDocuments::writePhraseDocument(device, loop, slotDir(slot) + QStringLiteral("/PhraseA"));
}

QMap<QString, QByteArray> TestLoopExchange::snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

int TestLoopExchange::cli(const QStringList& args, QByteArray* out)
{
    QProcess process;
    process.start(TestEnv::binary(QStringLiteral("spoolbox-cli")),
                  QStringList {QStringLiteral("--port"), m_pedal->portPath()} + args);
    if (!process.waitForFinished(60000))
        return -100;
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -101;
}

void TestLoopExchange::writeThenReadRoundTrip()
{
    QVERIFY(connectHandler());
    SDeviceHandler* handler = SDeviceHandler::instance();
    stDeviceData memory;
    handler->readInternalMemory(memory, nullptr); // creates the cache

    stDeviceData device;
    device.name = m_config.model;
    stLoop loop;
    loop.name = QStringLiteral("Don't Stop");
    loop.artist = QStringLiteral("Ünïcode");
    loop.genre = QStringLiteral("Funk");
    loop.rhythmType = QStringLiteral("7-Cowbell");
    loop.stopMode = QStringLiteral("Finish");
    loop.rating = 3;
    loop.beatsPerMeasure = 3;
    loop.beatsPerMinute = 96.5f;
    loop.loop = true;
    loop.reversed = true;
    loop.filePath = m_groove;
    loop.loopNumber = 5;
    device.loops.append(loop);
    QString staged, remote;
    QVERIFY(handler->writeLoop(&device, &staged, &remote, nullptr));
    QCOMPARE(remote, QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("Patch05/PhraseA/phrase.wav"));
    QVERIFY(staged.endsWith(QStringLiteral("Loop_05/PhraseA/phrase.wav")));
    // Every change is bracketed by the two device commands.
    QCOMPARE(m_pedal->stats().commands.value(0x1002), 1);
    QCOMPARE(m_pedal->stats().commands.value(0x1001), 1);
    QCOMPARE(PedalFile(slotDir(5) + QStringLiteral("/PhraseA/phrase.wav")), PedalFile(m_groove));

    stDeviceData read;
    QVERIFY(handler->readInternalMemory(read, nullptr));
    QCOMPARE(read.loops.size(), 1);
    const stLoop& back = read.loops.first();
    QCOMPARE(back.loopNumber, 5u);
    QCOMPARE(back.name, loop.name);
    QCOMPARE(back.artist, loop.artist);
    QCOMPARE(back.rhythmType, loop.rhythmType);
    QCOMPARE(back.stopMode, QStringLiteral("StopAtEndOfLoop"));
    QCOMPARE(back.rating, 3);
    QCOMPARE(back.beatsPerMeasure, quint16(3));
    QCOMPARE(back.beatsPerMinute, 96.5f);
    QVERIFY(back.loop && back.reversed);
    QVERIFY(!back.patchId.isEmpty());
    QCOMPARE(back.originId, back.patchId); // no OriginID written: read back as the ID
    QVERIFY(qAbs(back.length - 1.0f) < 0.01f);
    QCOMPARE(back.filePath, QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("/Patch05/PhraseA/phrase.wav"));
}

void TestLoopExchange::rewritingSlotReplacesCache()
{
    QVERIFY(connectHandler());
    SDeviceHandler* handler = SDeviceHandler::instance();
    stDeviceData memory;
    handler->readInternalMemory(memory, nullptr);
    for (const QString& name : {QStringLiteral("First"), QStringLiteral("Second")}) {
        stDeviceData device;
        stLoop loop;
        loop.name = name;
        loop.filePath = m_groove;
        loop.loopNumber = 5;
        device.loops.append(loop);
        QString staged, remote;
        QVERIFY(handler->writeLoop(&device, &staged, &remote, nullptr));
    }
    QCOMPARE(handler->internalCache()->loops.size(), 1);
    QCOMPARE(handler->internalCache()->loops.first().name, QStringLiteral("Second"));
}

void TestLoopExchange::unstageableAudioUploadsNothing()
{
    QVERIFY(connectHandler());
    SDeviceHandler* handler = SDeviceHandler::instance();
    stDeviceData memory;
    handler->readInternalMemory(memory, nullptr);
    stDeviceData device;
    stLoop loop;
    loop.filePath = m_root.filePath(QStringLiteral("missing.wav"));
    loop.loopNumber = 4;
    device.loops.append(loop);
    QString staged, remote;
    QVERIFY(!handler->writeLoop(&device, &staged, &remote, nullptr));
    QVERIFY(!QFileInfo::exists(slotDir(4)));
    QVERIFY(handler->internalCache()->loops.isEmpty());
    QCOMPARE(m_pedal->stats().commands.value(0x1002), 0);
}

void TestLoopExchange::readMemories_data()
{
    QTest::addColumn<int>("slots");
    QTest::addColumn<bool>("extras");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("one") << 1 << false;
    QTest::newRow("one with foreign and broken") << 1 << true;
    QTest::newRow("99") << 99 << false;
}

void TestLoopExchange::readMemories()
{
    QFETCH(int, slots);
    QFETCH(bool, extras);
    for (int slot = 1; slot <= slots; ++slot)
        makeSlot(slot, QStringLiteral("Loop number %1").arg(slot));
    if (extras) {
        // A folder of another name is read as slot 0; a broken document leaves defaults.
        QDir().mkpath(m_config.internalDir + QStringLiteral("/Backing/PhraseA"));
        PedalWrite(m_config.internalDir + QStringLiteral("/Backing/patch.xml"), "<OstinoPatch><PatchName>B</PatchName></OstinoPatch>");
        PedalWrite(m_config.internalDir + QStringLiteral("/Backing/PhraseA/phrase.xml"), "<OstinoPhrase/>");
        makeSlot(7, QStringLiteral("Broken"));
        PedalWrite(slotDir(7) + QStringLiteral("/patch.xml"), "<OstinoPatch><PatchName>half");
    }
    QVERIFY(connectHandler());
    stDeviceData memory;
    const bool result = SDeviceHandler::instance()->readInternalMemory(memory, nullptr);
    QCOMPARE(result, slots > 0 || extras);
    QCOMPARE(int(memory.loops.size()), slots + (extras ? 2 : 0));
    QVERIFY(SDeviceHandler::instance()->internalCache()); // replaced even when empty
    for (const stLoop& loop : std::as_const(memory.loops)) {
        if (loop.loopNumber == 0) {
            QCOMPARE(loop.name, QStringLiteral("B"));
        } else if (loop.loopNumber == 7 && extras) {
            QCOMPARE(loop.name, QString()); // unparsable patch: defaults
            QCOMPARE(loop.beatsPerMinute, 107.0f);
        } else {
            QCOMPARE(loop.name, QStringLiteral("Loop number %1").arg(loop.loopNumber));
            QCOMPARE(loop.rhythmType, QStringLiteral("2-Sticks"));
        }
    }
    if (slots == 99) {
        QCOMPARE(memory.loops.first().loopNumber, 1u);
        QCOMPARE(memory.loops.last().loopNumber, 99u);
    }
}

void TestLoopExchange::settingsDocumentsOnly()
{
    makeSlot(3, QStringLiteral("Before"));
    QVERIFY(connectHandler());
    SDeviceHandler* handler = SDeviceHandler::instance();
    stDeviceData memory;
    QVERIFY(handler->readInternalMemory(memory, nullptr));
    stLoop loop = memory.loops.first();
    loop.name = QStringLiteral("After");
    loop.beatsPerMinute = 140.0f;
    QString folder;
    QVERIFY(handler->writePatchFile(memory, loop, folder, nullptr));
    QVERIFY(folder.endsWith(QStringLiteral("patch.xml")));
    folder.clear();
    QVERIFY(handler->writePhraseFile(memory, loop, folder, nullptr));
    stDeviceData reread;
    QVERIFY(handler->readInternalMemory(reread, nullptr));
    QCOMPARE(reread.loops.first().name, QStringLiteral("After"));
    QCOMPARE(reread.loops.first().beatsPerMinute, 140.0f);
    // A loop without a slot is not written.
    loop.loopNumber = 0;
    folder.clear();
    QVERIFY(!handler->writePatchFile(memory, loop, folder, nullptr));
}

void TestLoopExchange::deleteSlot()
{
    makeSlot(2, QStringLiteral("Gone soon"));
    QVERIFY(connectHandler());
    SDeviceHandler* handler = SDeviceHandler::instance();
    stDeviceData memory;
    QVERIFY(handler->readInternalMemory(memory, nullptr));
    QCOMPARE(handler->deleteLoop(QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("Patch02"), 2, true), 0);
    QVERIFY(!QFileInfo::exists(slotDir(2)));
    QVERIFY(handler->internalCache()->loops.isEmpty());
}

void TestLoopExchange::cliBackupWipeRestore()
{
    for (int slot : {1, 2, 10})
        makeSlot(slot, QStringLiteral("Slot %1").arg(slot));
    QDir().mkpath(m_config.externalDir + QStringLiteral("/Patch01/PhraseA"));
    QFile::copy(slotDir(1) + QStringLiteral("/patch.xml"), m_config.externalDir + QStringLiteral("/Patch01/patch.xml"));
    const auto internalBefore = snapshot(m_config.internalDir);
    const auto externalBefore = snapshot(m_config.externalDir);

    const QString backup = m_root.filePath(QStringLiteral("backup"));
    QCOMPARE(cli({QStringLiteral("backup"), backup}), 0);
    QVERIFY(QFileInfo::exists(backup + QStringLiteral("/manifest.json")));
    QVERIFY(!QFileInfo::exists(backup + QStringLiteral(".partial")));
    // A second backup into the same folder is refused.
    QCOMPARE(cli({QStringLiteral("backup"), backup}), 1);

    // Wipe the pedal, restore, compare byte for byte.
    stopPedal();
    QVERIFY(QDir(m_config.internalDir).removeRecursively() && QDir().mkpath(m_config.internalDir));
    QVERIFY(QDir(m_config.externalDir).removeRecursively() && QDir().mkpath(m_config.externalDir));
    QVERIFY(startPedal());
    QCOMPARE(cli({QStringLiteral("restore"), backup}), 0);
    QCOMPARE(snapshot(m_config.internalDir), internalBefore);
    QCOMPARE(snapshot(m_config.externalDir), externalBefore);
}

void TestLoopExchange::cliListAndInfo()
{
    makeSlot(4, QStringLiteral("Listed"));
    QByteArray out;
    QCOMPARE(cli({QStringLiteral("list"), QStringLiteral("internal"), QStringLiteral("--json")}, &out), 0);
    const QJsonArray loops = QJsonDocument::fromJson(out).array();
    QCOMPARE(loops.size(), 1);
    QCOMPARE(loops.at(0)[QStringLiteral("slot")].toInt(), 4);
    QCOMPARE(loops.at(0)[QStringLiteral("name")].toString(), QStringLiteral("Listed"));
    QCOMPARE(loops.at(0)[QStringLiteral("rhythm")].toString(), QStringLiteral("2-Sticks"));
    QCOMPARE(cli({QStringLiteral("info")}, &out), 0);
    QVERIFY(out.contains("Name: Ostino Alto HD"));
    QCOMPARE(cli({QStringLiteral("list"), QStringLiteral("sideways")}), 2);
}

void TestLoopExchange::cliPullInterruptedLeavesNoFile()
{
    makeSlot(1, QStringLiteral("Big"));
    // Make the audio span many blocks, then let the pedal vanish after a few.
    QFile audio(slotDir(1) + QStringLiteral("/PhraseA/phrase.wav"));
    QVERIFY(audio.open(QIODevice::Append));
    audio.write(QByteArray(400000, '\1'));
    audio.close();
    const QString target = m_root.filePath(QStringLiteral("pulled.wav"));
    SPedalFault vanish;
    vanish.mode = SPedalFault::E_VANISH;
    vanish.arg = 5;
    m_pedal->setFault(vanish);
    QCOMPARE(cli({QStringLiteral("pull"), QStringLiteral("1"), target}), 1);
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(QDir(m_root.path()).entryList({QStringLiteral("pulled*")}, QDir::Files), QStringList());
}

void TestLoopExchange::cliRefusesWrongFormat()
{
    const QString text = m_root.filePath(QStringLiteral("notes.wav"));
    PedalWrite(text, "these are not samples");
    QCOMPARE(cli({QStringLiteral("push"), text, QStringLiteral("3")}), 1);
    QVERIFY(!QFileInfo::exists(slotDir(3)));
}

QTEST_GUILESS_MAIN(TestLoopExchange)
#include "tst_loopexchange.moc"
