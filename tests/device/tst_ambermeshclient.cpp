// The client against the virtual pedal over a real pseudo-terminal: typed calls,
// framing as the bytes really arrive, stale and foreign answers, failures,
// time-outs and paths the pedal must refuse.

#include "device/ambermeshclient.h"
#include "device/whoamirequest.h"
#include "logcapture.h"
#include "pedallink.h"
#include "spedalwirewriter.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using AnswerFilter = SPedalSimulator::AnswerFilter;
Q_DECLARE_METATYPE(AnswerFilter)
Q_DECLARE_METATYPE(SPedalFault::E_MODE)

namespace {
quint32 serialOf(const QByteArray& request)
{
    return quint32(quint8(request[6])) | quint32(quint8(request[7])) << 8 | quint32(quint8(request[8])) << 16
           | quint32(quint8(request[9])) << 24;
}

QByteArray header(quint16 id, quint32 size)
{
    QByteArray bytes(6, '\0');
    bytes[0] = char(id & 0xFF);
    bytes[1] = char(id >> 8);
    for (int i = 0; i < 4; ++i)
        bytes[2 + i] = char((size >> (8 * i)) & 0xFF);
    return bytes;
}

// A WhoAmI answer with a name long enough for the given payload size.
QByteArray whoAmIOfPayload(quint32 serial, int payload)
{
    const QByteArray name(payload - 20, 'n');
    return SPedalWireWriter(1, serial, payload)
        .u16(1).u16(2).u16(3).u16(4)
        .string(QString())
        .u32(quint32(name.size()))
        .raw(name.constData(), name.size())
        .message();
}

// WAV header with the given data-chunk size (the rest of the file is not needed).
QByteArray waveHeader(quint32 dataSize)
{
    QByteArray bytes(44, '\0');
    bytes.replace(0, 4, "RIFF");
    bytes.replace(8, 8, "WAVEfmt ");
    bytes.replace(36, 4, "data");
    for (int i = 0; i < 4; ++i)
        bytes[40 + i] = char((dataSize >> (8 * i)) & 0xFF);
    return bytes;
}
} // namespace

class TestAmbermeshClient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void identityAndProperties();
    void modelFigures_data();
    void modelFigures();
    void waveLengthNeedsChannels();
    void foldersAndEntries();
    void propertyKindMismatch();
    void notConnected_data();
    void notConnected();
    void framing_data();
    void framing();
    void foreignAndStaleAnswers_data();
    void foreignAndStaleAnswers();
    void failureAnswer();
    void timeout();
    void utf8Paths();
    void pathsStayInside_data();
    void pathsStayInside();
};

void TestAmbermeshClient::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestAmbermeshClient::identityAndProperties()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/big.bin"), QByteArray(5000, 'x')));

    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), 0);
    QCOMPARE(info.name, QStringLiteral("Ostino Alto HD"));
    QCOMPARE(info.deviceId, quint16(5));
    QVERIFY(!info.guid.isEmpty());

    QMap<int, int> ints;
    QMap<int, QString> texts;
    QCOMPARE(link.client().getProperties({}, &ints, &texts), 0);
    const int capacity = int(SPedalConfig().internalCapacityKiB);
    QCOMPARE(ints.value(5), 1);
    QCOMPARE(ints.value(7), 2);
    QCOMPARE(ints.value(11), capacity);
    QCOMPARE(ints.value(10), capacity - 5); // 5000 bytes take 5 KiB
    QVERIFY(ints.contains(15));
    QCOMPARE(texts.value(0x800B), QLatin1String(SPedalConfig::internalRoot));
    QCOMPARE(texts.value(0x800C), QLatin1String(SPedalConfig::externalRoot));

    QString root;
    QCOMPARE(link.client().getStringProperty({}, 0x800C, &root), 0);
    QCOMPARE(root, QLatin1String(SPedalConfig::externalRoot));
    QCOMPARE(link.client().issueCommand(AmbermeshClient::commandBeginChange, 0), 0);
    QCOMPARE(link.client().issueCommand(AmbermeshClient::commandEndChange, 0), 0);
    QCOMPARE(link.pedal().stats().commands.value(0x1002), 1);
    QCOMPARE(link.pedal().stats().commands.value(0x1001), 1);
}

void TestAmbermeshClient::modelFigures_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("channels");
    QTest::addColumn<float>("seconds");
    // 529200 data bytes: three seconds of 16-bit stereo at 44100 Hz, six of mono.
    QTest::newRow("Ostino Alto") << QStringLiteral("Ostino Alto") << 1 << 1 << 6.0f;
    QTest::newRow("Ostino Vela") << QStringLiteral("Ostino Vela") << 2 << 2 << 3.0f;
    QTest::newRow("Ostino Alto XT") << QStringLiteral("Ostino Alto XT") << 4 << 2 << 3.0f;
}

void TestAmbermeshClient::modelFigures()
{
    QFETCH(QString, model);
    QFETCH(int, deviceId);
    QFETCH(int, channels);
    QFETCH(float, seconds);
    PedalLink link(model, false);
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QDir(link.internalDir()).mkpath(QStringLiteral("Patch01/PhraseA"));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/Patch01/PhraseA/phrase.wav"),
                                 waveHeader(529200) + QByteArray(100, '\0')));

    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), 0);
    QCOMPARE(info.name, model);
    QCOMPARE(int(info.deviceId), deviceId);
    int value = -1;
    QCOMPARE(link.client().getIntProperty({}, 7, &value), 0);
    QCOMPARE(value, channels);
    QCOMPARE(link.client().getIntProperty({}, 5, &value), 0);
    QCOMPARE(value, 0);
    // Without an external memory the pedal has no root for it.
    QString root;
    QCOMPARE(link.client().getStringProperty({}, 0x800C, &root), -1);

    float length = -1.0f;
    // Root and slot joined with "/" as the memory reader does: the pedal takes "//".
    QCOMPARE(link.client().remoteWaveLength(PedalLink::onDevice(QStringLiteral("/Patch01/PhraseA/phrase.wav")), &length),
             0);
    QCOMPARE(length, seconds);
    QCOMPARE(link.pedal().stats().openFiles, 0);
    QCOMPARE(link.client().remoteWaveLength(PedalLink::onDevice(QStringLiteral("Patch02/PhraseA/phrase.wav")), &length),
             -1);
    QCOMPARE(length, 0.0f);
}

void TestAmbermeshClient::waveLengthNeedsChannels()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/phrase.wav"), waveHeader(88200)));
    // A pedal that reports no audio channels: the length would be a division by zero.
    link.pedal().setAnswerFilter([](const QByteArray& r, const QByteArray& a) {
        const bool channelQuestion = r.at(0) == 26 && r.endsWith(QByteArray::fromHex("0700"));
        return QList<QByteArray>{channelQuestion ? SPedalWireWriter(27, serialOf(r)).u16(7).u32(0).message() : a};
    });
    float seconds = -1.0f;
    QCOMPARE(link.client().remoteWaveLength(PedalLink::onDevice(QStringLiteral("phrase.wav")), &seconds), -1);
    QCOMPARE(seconds, 0.0f);
    QCOMPARE(link.pedal().stats().requestsById.value(10), 0); // the file was not even opened
    link.pedal().setAnswerFilter({});
    QCOMPARE(link.client().remoteWaveLength(PedalLink::onDevice(QStringLiteral("phrase.wav")), &seconds), 0);
    QCOMPARE(seconds, 0.5f);
}

void TestAmbermeshClient::foldersAndEntries()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QDir internal(link.internalDir());
    QVERIFY(internal.mkpath(QStringLiteral("Patch02/PhraseA")));
    QVERIFY(internal.mkpath(QStringLiteral("Patch01")));
    QVERIFY(PedalLink::writeFile(internal.filePath(QStringLiteral("Patch02/patch.xml")), QByteArray(321, 'p')));
    QVERIFY(PedalLink::writeFile(internal.filePath(QStringLiteral("notes.txt")), "n"));

    QStringList files;
    QStringList folders;
    QCOMPARE(link.client().listRemoteFolder(QLatin1String(SPedalConfig::internalRoot), &files, &folders), 0);
    QCOMPARE(files, QStringList{QStringLiteral("notes.txt")});
    QCOMPARE(folders, (QStringList{QStringLiteral("Patch01"), QStringLiteral("Patch02")}));

    stFileSystemEntryInfo entry;
    QCOMPARE(link.client().getRemoteEntryInfo(PedalLink::onDevice(QStringLiteral("Patch02/patch.xml")), 1, &entry), 0);
    QVERIFY(entry.exists);
    QVERIFY(entry.isFile);
    QCOMPARE(entry.size, 321ull);
    QCOMPARE(entry.name, QStringLiteral("patch.xml"));
    QVERIFY(entry.modified.isValid());
    QCOMPARE(link.client().getRemoteEntryInfo(PedalLink::onDevice(QStringLiteral("Patch02")), 1, &entry), 0);
    QVERIFY(entry.exists && !entry.isFile);
    QCOMPARE(link.client().getRemoteEntryInfo(PedalLink::onDevice(QStringLiteral("Patch09")), 1, &entry), 0);
    QVERIFY(!entry.exists);

    QCOMPARE(link.client().deleteRemoteEntry(PedalLink::onDevice(QStringLiteral("Patch02"))), 0);
    QVERIFY(!internal.exists(QStringLiteral("Patch02")));
    QCOMPARE(link.client().deleteRemoteEntry(PedalLink::onDevice(QStringLiteral("Patch02"))), -1);
    // The memory itself cannot be deleted.
    QCOMPARE(link.client().deleteRemoteEntry(QLatin1String(SPedalConfig::internalRoot)), -1);
    QVERIFY(internal.exists());
}

void TestAmbermeshClient::propertyKindMismatch()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    int number = 42;
    QString text = QStringLiteral("unchanged");
    QCOMPARE(link.client().getIntProperty({}, 0x800B, &number), -1);
    QCOMPARE(number, 42);
    QCOMPARE(link.client().getStringProperty({}, 7, &text), -1);
    QCOMPARE(text, QStringLiteral("unchanged"));
    QCOMPARE(link.client().getIntProperty({}, 99, &number), -1); // unknown to the pedal
}

void TestAmbermeshClient::notConnected_data()
{
    QTest::addColumn<bool>("attach");
    QTest::newRow("no port") << false;
    QTest::newRow("closed port") << true;
}

void TestAmbermeshClient::notConnected()
{
    QFETCH(bool, attach);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    AmbermeshClient client;
    if (attach) {
        client.attachPort(&link.port());
        link.port().close();
    }
    LogCapture log;
    WhoAmIRequest request;
    QVERIFY(!client.transact(request, 100));
    QVERIFY(log.logged(QStringLiteral("Send Failed.")));
    QCOMPARE(log.statusTexts(), QStringList{QStringLiteral("Not connected.")});
    stDeviceInfo info;
    QCOMPARE(client.whoAmI(info), -1);
    QTest::qWait(50);
    QCOMPARE(link.pedal().stats().requests, 0ull);
}

void TestAmbermeshClient::framing_data()
{
    QTest::addColumn<AnswerFilter>("filter");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("name");

    QTest::newRow("as one piece") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        return QList<QByteArray>{a};
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("header split 1+2+3") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        return QList<QByteArray>{a.left(1), a.mid(1, 2), a.mid(3, 3), a.mid(6)};
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("byte by byte") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        QList<QByteArray> pieces;
        for (char c : a)
            pieces.append(QByteArray(1, c));
        return pieces;
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("async messages first") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        const QByteArray async0 = SPedalWireWriter(0x8000, 99).u32(1).message();
        const QByteArray async6 = SPedalWireWriter(0x8006, 98).string(QStringLiteral("event")).message();
        // The second one split, its end in the same piece as the answer.
        return QList<QByteArray>{async0 + async6.left(8), async6.mid(8) + a};
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("invalid id header dropped") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        return QList<QByteArray>{header(0x8007, 4) + a};
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("oversized header dropped") << AnswerFilter([](const QByteArray&, const QByteArray& a) {
        return QList<QByteArray>{header(1, 8186) + a};
    }) << true << QStringLiteral("Ostino Alto HD");
    QTest::newRow("largest payload") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{whoAmIOfPayload(serialOf(r), 8185)};
    }) << true << QString(8185 - 20, QLatin1Char('n'));
    QTest::newRow("payload one too large") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{whoAmIOfPayload(serialOf(r), 8186)};
    }) << false << QString();
    QTest::newRow("empty and negative string lengths") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{SPedalWireWriter(1, serialOf(r)).u16(1).u16(2).u16(3).u16(4).u32(0).u32(0xFFFFFFF0)
                                     .message()};
    }) << true << QString();
    QTest::newRow("answer shorter than its fields") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{SPedalWireWriter(1, serialOf(r)).u16(1).u16(2).u16(3).message()};
    }) << false << QString();
    QTest::newRow("answer of another kind") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{SPedalWireWriter(2, serialOf(r)).message()};
    }) << false << QString();
    QTest::newRow("request id as answer") << AnswerFilter([](const QByteArray& r, const QByteArray&) {
        return QList<QByteArray>{SPedalWireWriter(0, serialOf(r)).message()};
    }) << false << QString();
}

void TestAmbermeshClient::framing()
{
    QFETCH(AnswerFilter, filter);
    QFETCH(bool, answered);
    QFETCH(QString, name);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    link.pedal().setAnswerFilter(filter);
    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), answered ? 0 : -1);
    if (answered)
        QCOMPARE(info.name, name);
    // Whatever came before, the link works for the next request.
    link.pedal().setAnswerFilter({});
    QCOMPARE(link.client().whoAmI(info), 0);
    QCOMPARE(info.name, QStringLiteral("Ostino Alto HD"));
}

void TestAmbermeshClient::foreignAndStaleAnswers_data()
{
    QTest::addColumn<SPedalFault::E_MODE>("mode");
    QTest::addColumn<int>("arg");
    QTest::addColumn<AnswerFilter>("filter");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("logText");
    QTest::newRow("next serial number") << SPedalFault::E_WRONG_SERIAL << 0 << AnswerFilter() << false
                                        << QStringLiteral("sync receive serial number didn't match! Expected");
    // Arrives while the next request waits: skipped there, not taken for its answer.
    QTest::newRow("late answer") << SPedalFault::E_DELAY << 1500 << AnswerFilter() << false
                                 << QStringLiteral("Timeout on serial #");
    QTest::newRow("two answers in one piece") << SPedalFault::E_NONE << 0
                                              << AnswerFilter([](const QByteArray&, const QByteArray& a) {
                                                     return QList<QByteArray>{a + a};
                                                 })
                                              << true << QString();
    QTest::newRow("old answer first") << SPedalFault::E_NONE << 0
                                      << AnswerFilter([](const QByteArray& r, const QByteArray& a) {
                                             const QByteArray old =
                                                 SPedalWireWriter(3, serialOf(r) - 1).string("old").message();
                                             return QList<QByteArray>{old + a};
                                         })
                                      << true << QStringLiteral("Skipping late response to serial #");
}

void TestAmbermeshClient::foreignAndStaleAnswers()
{
    QFETCH(SPedalFault::E_MODE, mode);
    QFETCH(int, arg);
    QFETCH(AnswerFilter, filter);
    QFETCH(bool, answered);
    QFETCH(QString, logText);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    link.client().setTimeout(1000);
    LogCapture log;
    SPedalFault fault;
    fault.mode = mode;
    fault.arg = arg;
    link.pedal().setFault(fault);
    link.pedal().setAnswerFilter(filter);
    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), answered ? 0 : -1);
    if (!logText.isEmpty())
        QVERIFY2(log.logged(logText), qPrintable(log.lines().join(QLatin1Char('\n'))));
    // What was left over or arrives late does not spoil the next requests.
    link.pedal().setFault(SPedalFault());
    link.pedal().setAnswerFilter({});
    log.clear();
    for (int i = 0; i < 3; ++i) {
        info = stDeviceInfo();
        QCOMPARE(link.client().whoAmI(info), 0);
        QCOMPARE(info.name, QStringLiteral("Ostino Alto HD"));
    }
    if (mode == SPedalFault::E_DELAY)
        QVERIFY(log.logged(QStringLiteral("Skipping late response to serial #")));
}

void TestAmbermeshClient::failureAnswer()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    QVERIFY(PedalLink::writeFile(link.internalDir() + QStringLiteral("/secret.wav"), "x"));
    SPedalFault fault;
    fault.mode = SPedalFault::E_FAIL_PATHS;
    fault.pattern = QStringLiteral("*secret*");
    link.pedal().setFault(fault);
    LogCapture log;
    quint64 handle = 0;
    const quint32 serial = AmbermeshClientOutputMessage::nextSerialNumber;
    QCOMPARE(link.client().openRemoteFile(PedalLink::onDevice(QStringLiteral("secret.wav")), 1, &handle), -1);
    QVERIFY(log.logged(QStringLiteral("Access denied serial# %1").arg(serial)));
    QCOMPARE(log.statusTexts(), QStringList{QStringLiteral("failed to open remote file\n")});
    QCOMPARE(link.client().closeRemoteFile(12345), -1);
    QVERIFY(log.reported(QStringLiteral("failed to close remote file")));
    // Other paths are served.
    QCOMPARE(link.client().listRemoteFolder(QLatin1String(SPedalConfig::internalRoot), nullptr, nullptr), 0);
}

void TestAmbermeshClient::timeout()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    SPedalFault fault;
    fault.mode = SPedalFault::E_NO_ANSWER;
    link.pedal().setFault(fault);
    LogCapture log;
    const quint32 serial = AmbermeshClientOutputMessage::nextSerialNumber;
    stDeviceInfo info;
    QCOMPARE(link.client().whoAmI(info), -1);
    QVERIFY(log.logged(QStringLiteral("Timeout on serial #%1").arg(serial)));
    QVERIFY(log.logged(QStringLiteral("Failed to get valid response to serial # %1").arg(serial)));
    QVERIFY(!link.client().isLinkLost());
}

void TestAmbermeshClient::utf8Paths()
{
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    const QString name = QStringLiteral("Grüße – ♫ €.wav");
    const QByteArray content = PedalLink::pattern(3000, 7);
    QVERIFY(PedalLink::writeFile(link.internalDir() + QLatin1Char('/') + name, content));
    QStringList files;
    QCOMPARE(link.client().listRemoteFolder(QLatin1String(SPedalConfig::internalRoot), &files, nullptr), 0);
    QCOMPARE(files, QStringList{name});
    const QString local = link.localDir() + QStringLiteral("/copy.wav");
    QCOMPARE(link.client().getFile(PedalLink::onDevice(name), local, nullptr), 0);
    QCOMPARE(PedalLink::readFile(local), content);
    const QString other = QStringLiteral("Ünïcödé 日本.bin");
    QCOMPARE(link.client().putFile(local, PedalLink::onDevice(other), nullptr), 0);
    QCOMPARE(PedalLink::readFile(link.internalDir() + QLatin1Char('/') + other), content);
}

void TestAmbermeshClient::pathsStayInside_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("parent folders") << PedalLink::onDevice(QStringLiteral("../../../outside/file.bin"));
    QTest::newRow("parent of a slot") << PedalLink::onDevice(QStringLiteral("Patch01/../../outside/file.bin"));
    QTest::newRow("relative") << QStringLiteral("outside/file.bin");
    QTest::newRow("host path") << QStringLiteral("@ROOT@/outside/file.bin");
    QTest::newRow("through a link") << PedalLink::onDevice(QStringLiteral("escape/file.bin"));
    QTest::newRow("backslashes") << PedalLink::onDevice(QStringLiteral("..\\..\\outside\\file.bin"));
}

void TestAmbermeshClient::pathsStayInside()
{
    QFETCH(QString, path);
    PedalLink link;
    QString error;
    QVERIFY2(link.start(&error), qPrintable(error));
    // The memories live in <root>/internal and <root>/external; <root>/outside is off limits.
    const QString root = QFileInfo(link.internalDir()).absolutePath();
    path.replace(QStringLiteral("@ROOT@"), root);
    const QString outside = root + QStringLiteral("/outside");
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(PedalLink::writeFile(outside + QStringLiteral("/file.bin"), "secret"));
    QVERIFY(QFile::link(outside, link.internalDir() + QStringLiteral("/escape")));
    const QString local = link.localDir() + QStringLiteral("/got.bin");
    QVERIFY(PedalLink::writeFile(local, "overwritten"));

    quint64 handle = 0;
    QCOMPARE(link.client().openRemoteFile(path, 1, &handle), -1);
    QCOMPARE(link.client().getFile(path, local, nullptr), -1);
    QCOMPARE(link.client().putFile(local, path, nullptr), -1);
    QCOMPARE(link.client().deleteRemoteEntry(path), -1);
    QString folder = path;
    folder.chop(QStringLiteral("/file.bin").size());
    QCOMPARE(link.client().listRemoteFolder(folder, nullptr, nullptr), -1);
    QCOMPARE(PedalLink::readFile(outside + QStringLiteral("/file.bin")), QByteArray("secret"));
    QCOMPARE(PedalLink::readFile(local), QByteArray("overwritten"));
}

QTEST_GUILESS_MAIN(TestAmbermeshClient)
#include "tst_ambermeshclient.moc"
