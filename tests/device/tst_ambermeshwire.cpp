// The wire format on its own: reassembly of incoming messages, the typed readers,
// decoding of every response kind and the exact bytes of every request.

#include "device/ambermeshrxmessagestream.h"
#include "device/decoderesponse.h"
#include "device/failureresponse.h"
#include "device/filecloserequest.h"
#include "device/fileopenrequest.h"
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
#include "logcapture.h"
#include "spedalwirewriter.h"
#include "testenv.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>

#include <functional>

using RequestBuilder = std::function<QByteArray()>;
Q_DECLARE_METATYPE(RequestBuilder)

namespace {
QByteArray header(quint16 id, quint32 size)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << id << size;
    return bytes;
}

// Feeds a whole buffer the way the client does and returns the complete streams.
QList<std::shared_ptr<AmbermeshRxMessageStream>> reassemble(QByteArray bytes)
{
    QList<std::shared_ptr<AmbermeshRxMessageStream>> out;
    auto stream = std::make_shared<AmbermeshRxMessageStream>();
    while (!bytes.isEmpty()) {
        bytes.remove(0, stream->appendBytes(bytes.constData(), int(bytes.size())));
        if (stream->isComplete()) {
            out.append(stream);
            stream = std::make_shared<AmbermeshRxMessageStream>();
        }
    }
    return out;
}

std::unique_ptr<AmbermeshRxMessageStream> streamOf(const QByteArray& message)
{
    auto stream = std::make_unique<AmbermeshRxMessageStream>();
    stream->appendBytes(message.constData(), int(message.size()));
    return stream;
}

std::unique_ptr<AmbermeshClientResponse> decode(const QByteArray& message)
{
    return decodeResponse(streamOf(message));
}

// The request's bytes with a fixed serial number.
QByteArray encode(AmbermeshClientOutputMessage& request)
{
    request.serialNumber = 0x01020304;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    out.setByteOrder(QDataStream::LittleEndian);
    request.send(out);
    return bytes;
}

// A FileWrite for handle 5 of a local file with the given content, read from `at` on.
RequestBuilder fileWriteAt(const QByteArray& content, qint64 at)
{
    return [=]() {
        QByteArray local = content;
        QBuffer file(&local);
        file.open(QIODevice::ReadOnly);
        file.seek(at);
        QDataStream in(&file);
        FileWriteRequest request(5, &in);
        return encode(request);
    };
}

template <class R, class... Args>
RequestBuilder build(Args... args)
{
    return [=]() {
        R request(args...);
        return encode(request);
    };
}
} // namespace

class TestAmbermeshWire : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void splitHeader();
    void takesOnlyItsOwnBytes();
    void headerLimits_data();
    void headerLimits();
    void resynchronisesAfterBadHeader();
    void strings_data();
    void strings();
    void dateTimes_data();
    void dateTimes();
    void readersStopAtMessageEnd();
    void decodesResponses();
    void unexpectedIds_data();
    void unexpectedIds();
    void shortBodiesFail_data();
    void shortBodiesFail();
    void requestBytes_data();
    void requestBytes();
    void serialNumbersIncrease();
};

void TestAmbermeshWire::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestAmbermeshWire::splitHeader()
{
    const QByteArray message = SPedalWireWriter(2, 77).message();
    AmbermeshRxMessageStream stream;
    QCOMPARE(stream.appendBytes(message.constData(), 1), 1);
    QCOMPARE(stream.appendBytes(message.constData() + 1, 2), 2);
    QVERIFY(!stream.isComplete());
    QCOMPARE(stream.appendBytes(message.constData() + 3, 3), 3);
    QVERIFY(!stream.isComplete());
    QCOMPARE(stream.appendBytes(message.constData() + 6, 4), 4);
    QVERIFY(stream.isComplete());
    // A complete stream takes nothing more.
    QCOMPARE(stream.appendBytes("xyz", 3), 0);
    QCOMPARE(stream.payloadSize(), 4u);
}

void TestAmbermeshWire::takesOnlyItsOwnBytes()
{
    const QByteArray first = SPedalWireWriter(3, 1).string(QStringLiteral("no")).message();
    const QByteArray second = SPedalWireWriter(2, 2).message();
    const QByteArray both = first + second;
    AmbermeshRxMessageStream stream;
    QCOMPARE(stream.appendBytes(both.constData(), int(both.size())), int(first.size()));
    QVERIFY(stream.isComplete());
    const auto streams = reassemble(both);
    QCOMPARE(streams.size(), 2);
    QCOMPARE(streams.at(1)->payloadSize(), 4u);
}

void TestAmbermeshWire::headerLimits_data()
{
    QTest::addColumn<quint16>("id");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("async");
    QTest::addColumn<QString>("diagnostic");
    QTest::newRow("largest payload") << quint16(13) << 8185u << true << false << QString();
    QTest::newRow("payload too large") << quint16(13) << 8186u << false << false
                                       << QStringLiteral("invalid size read - 8186");
    QTest::newRow("last async id") << quint16(0x8006) << 4u << true << true << QString();
    QTest::newRow("first invalid id") << quint16(0x8007) << 4u << false << false
                                      << QStringLiteral("Invalid message ID - 32775");
    QTest::newRow("valid id unknown to host") << quint16(0x8003) << 4u << true << false << QString();
    QTest::newRow("first async id") << quint16(0x8000) << 4u << true << true << QString();
}

void TestAmbermeshWire::headerLimits()
{
    QFETCH(quint16, id);
    QFETCH(quint32, size);
    QFETCH(bool, accepted);
    QFETCH(bool, async);
    QFETCH(QString, diagnostic);
    LogCapture log;
    const QByteArray message = header(id, size) + QByteArray(qsizetype(size), '\x01');
    AmbermeshRxMessageStream stream;
    QCOMPARE(stream.appendBytes(message.constData(), 6), 6);
    if (!accepted) {
        // The header is dropped: the stream waits for a new one.
        QCOMPARE(stream.receivedCount(), 0u);
        QVERIFY(log.logged(diagnostic));
        QVERIFY(log.logged(QStringLiteral("Invalid header - dumping message")));
        return;
    }
    QCOMPARE(stream.appendBytes(message.constData() + 6, int(message.size()) - 6), int(size));
    QVERIFY(stream.isComplete());
    QCOMPARE(stream.isAsyncMessage(), async);
}

void TestAmbermeshWire::resynchronisesAfterBadHeader()
{
    LogCapture log;
    const QByteArray good = SPedalWireWriter(2, 9).message();
    const auto streams = reassemble(header(0xFFFF, 4) + good);
    QCOMPARE(streams.size(), 1);
    const auto response = decodeResponse(
        std::unique_ptr<AmbermeshRxMessageStream>(streamOf(good)));
    QVERIFY(response);
    QCOMPARE(response->serialNumber, 9u);
}

void TestAmbermeshWire::strings_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("taken");
    QTest::newRow("empty") << QByteArray::fromHex("00000000") << QString() << 4u;
    QTest::newRow("negative length") << QByteArray::fromHex("ffffffff") << QString() << 4u;
    QTest::newRow("very negative") << QByteArray::fromHex("00000080") << QString() << 4u;
    QTest::newRow("utf-8") << QByteArray::fromHex("06000000") + QByteArray("Gr\xc3\xbc\xc3\x9f") << QStringLiteral("Grüß")
                           << 10u;
    QTest::newRow("invalid utf-8") << QByteArray::fromHex("02000000ff41") << QStringLiteral("\uFFFDA") << 6u;
}

void TestAmbermeshWire::strings()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(quint32, taken);
    const QByteArray tail("tail");
    const QByteArray body = field + tail;
    const auto stream = streamOf(header(3, quint32(4 + body.size())) + QByteArray(4, '\0') + body);
    stream->readUInt16();
    stream->readUInt32();
    stream->readUInt32();
    const quint32 before = stream->bytesLeft();
    QCOMPARE(stream->readString(), text);
    QCOMPARE(before - stream->bytesLeft(), taken);
    QVERIFY(!stream->overrun());
}

void TestAmbermeshWire::dateTimes_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("valid") << QByteArray::fromHex("e807021d170b")
                           << QDateTime(QDate(2024, 2, 29), QTime(23, 11), Qt::LocalTime);
    QTest::newRow("no such day") << QByteArray::fromHex("e707021d0000") << QDateTime();
    QTest::newRow("month 13") << QByteArray::fromHex("e8070d010000") << QDateTime();
    QTest::newRow("hour 24") << QByteArray::fromHex("e80701011800") << QDateTime();
    QTest::newRow("all zero") << QByteArray(6, '\0') << QDateTime();
}

void TestAmbermeshWire::dateTimes()
{
    QFETCH(QByteArray, field);
    QFETCH(QDateTime, expected);
    const auto stream = streamOf(header(5, quint32(4 + field.size())) + QByteArray(4, '\0') + field);
    stream->takeBytes(10);
    const QDateTime read = stream->readDateTime();
    QCOMPARE(read.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(read, expected);
    QVERIFY(!stream->overrun());
}

void TestAmbermeshWire::readersStopAtMessageEnd()
{
    // A first, longer message leaves its bytes in a reused buffer; the second,
    // shorter one must not be decoded from them.
    AmbermeshRxMessageStream stream;
    const QByteArray longer = SPedalWireWriter(13, 1).u64(0).u32(3).raw("abc", 3).message();
    stream.appendBytes(longer.constData(), int(longer.size()));
    stream.reset();
    const QByteArray shorter = SPedalWireWriter(13, 2).message();
    stream.appendBytes(shorter.constData(), int(shorter.size()));
    QVERIFY(stream.isComplete());
    stream.takeBytes(10);
    QCOMPARE(stream.readUInt64(), 0ull);
    QVERIFY(stream.overrun());
    QCOMPARE(stream.readUInt32(), 0u);
    QVERIFY(!stream.takeBytes(1));
    QCOMPARE(stream.readString(), QString());
}

void TestAmbermeshWire::decodesResponses()
{
    const QDateTime when(QDate(2023, 7, 14), QTime(9, 30), Qt::LocalTime);
    {
        const auto r = decode(SPedalWireWriter(1, 5)
                                  .u16(0x0A10).u16(5).u16(1).u16(0x0120)
                                  .string(QStringLiteral("guid-1")).string(QStringLiteral("Ostino Alto HD"))
                                  .message());
        const auto* who = dynamic_cast<WhoAmIResponse*>(r.get());
        QVERIFY(who);
        QCOMPARE(who->serialNumber, 5u);
        QCOMPARE(who->familyId, quint16(0x0A10));
        QCOMPARE(who->firmwareVersion, quint16(0x0120));
        QCOMPARE(who->deviceName, QStringLiteral("Ostino Alto HD"));
    }
    {
        const auto text = decode(SPedalWireWriter(27, 1).u16(0x8018).string(QStringLiteral("root/")).message());
        const auto* p = dynamic_cast<GetPropertyResponse*>(text.get());
        QVERIFY(p && p->isString);
        QCOMPARE(p->stringValue, QStringLiteral("root/"));
        const auto number = decode(SPedalWireWriter(27, 1).u16(0x8019).u32(7).message());
        p = dynamic_cast<GetPropertyResponse*>(number.get());
        QVERIFY(p && !p->isString);
        QCOMPARE(p->intValue, 7u);
    }
    {
        const auto none = decode(SPedalWireWriter(20, 1).u16(0).u16(0).message());
        const auto* p = dynamic_cast<GetPropertiesResponse*>(none.get());
        QVERIFY(p && p->intValues.isEmpty() && p->stringValues.isEmpty());
        const auto repeated = decode(SPedalWireWriter(20, 1)
                                         .u16(3).u16(10).u32(1).u16(11).u32(2).u16(10).u32(0xFFFFFFFF)
                                         .u16(1).u16(0x800B).string(QStringLiteral("/a/"))
                                         .message());
        p = dynamic_cast<GetPropertiesResponse*>(repeated.get());
        QVERIFY(p);
        QCOMPARE(p->intValues, (QMap<int, int>{{10, -1}, {11, 2}}));
        QCOMPARE(p->stringValues, (QMap<int, QString>{{0x800B, QStringLiteral("/a/")}}));
    }
    {
        const auto r = decode(SPedalWireWriter(5, 1)
                                  .boolean(true).string(QStringLiteral("patch.xml")).boolean(true).u64(1234)
                                  .boolean(true).boolean(false).dateTime(when).dateTime(when).dateTime(QDateTime())
                                  .message());
        const auto* info = dynamic_cast<FileSystemEntryInfoResponse*>(r.get());
        QVERIFY(info);
        QVERIFY(info->exists);
        QCOMPARE(info->size, 1234ull);
        QVERIFY(!info->isFile); // the wire says 1, the host keeps the inverse
        QCOMPARE(info->modified, when);
        QVERIFY(info->accessed.isNull());
    }
    {
        const auto r = decode(SPedalWireWriter(18, 1)
                                  .u32(2).string(QStringLiteral("a")).string(QStringLiteral("b"))
                                  .u32(3).string(QStringLiteral("Patch02")).string(QStringLiteral("Patch01"))
                                  .string(QStringLiteral("Patch100"))
                                  .message());
        const auto* list = dynamic_cast<FolderContentsResponse*>(r.get());
        QVERIFY(list);
        QCOMPARE(list->files, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(list->folders,
                 (QStringList{QStringLiteral("Patch02"), QStringLiteral("Patch01"), QStringLiteral("Patch100")}));
    }
    {
        const auto r = decode(SPedalWireWriter(13, 1).u64(0).u32(5).raw("hello", 5).message());
        const auto* block = dynamic_cast<FileReadResponse*>(r.get());
        QVERIFY(block);
        QCOMPARE(QByteArray(block->data, int(block->length)), QByteArray("hello"));
    }
}

void TestAmbermeshWire::unexpectedIds_data()
{
    QTest::addColumn<quint16>("id");
    QTest::addColumn<QString>("status");
    QTest::newRow("request id") << quint16(0) << QStringLiteral("Unexepected message ID");
    QTest::newRow("another request id") << quint16(4) << QStringLiteral("Unexepected message ID");
    QTest::newRow("unknown valid id") << quint16(0x8003) << QStringLiteral("Unexepected message ID");
    QTest::newRow("async id") << quint16(0x8000) << QStringLiteral("Unexepected async message ID");
}

void TestAmbermeshWire::unexpectedIds()
{
    QFETCH(quint16, id);
    QFETCH(QString, status);
    LogCapture log;
    QVERIFY(!decode(SPedalWireWriter(id, 1).message()));
    QCOMPARE(log.statusTexts(), QStringList{status});
}

void TestAmbermeshWire::shortBodiesFail_data()
{
    QTest::addColumn<QByteArray>("message");
    const QDateTime now = QDateTime::currentDateTime();
    const QList<QPair<const char*, QByteArray>> whole = {
        {"who am i", SPedalWireWriter(1, 1).u16(1).u16(2).u16(3).u16(4).string("g").string("n").message()},
        {"failure", SPedalWireWriter(3, 1).string(QStringLiteral("why")).message()},
        {"entry info", SPedalWireWriter(5, 1).boolean(true).string("x").boolean(true).u64(1).boolean(false)
                           .boolean(false).dateTime(now).dateTime(now).dateTime(now).message()},
        {"file open", SPedalWireWriter(11, 1).u64(1).u64(2).message()},
        {"file read", SPedalWireWriter(13, 1).u64(0).u32(3).raw("abc", 3).message()},
        {"folder contents", SPedalWireWriter(18, 1).u32(1).string("f").u32(1).string("d").message()},
        {"properties", SPedalWireWriter(20, 1).u16(1).u16(5).u32(1).u16(1).u16(0x800B).string("r").message()},
        {"process launch", SPedalWireWriter(24, 1).u64(1).message()},
        {"property", SPedalWireWriter(27, 1).u16(7).u32(2).message()},
    };
    for (const auto& [name, message] : whole) {
        // One byte short: the header announces what was really sent.
        QByteArray cut = message.left(message.size() - 1);
        const quint32 size = quint32(cut.size() - 6);
        for (int i = 0; i < 4; ++i)
            cut[2 + i] = char((size >> (8 * i)) & 0xFF);
        QTest::newRow(name) << cut;
    }
    QTest::newRow("read longer than message") << SPedalWireWriter(13, 1).u64(0).u32(8169).raw("abc", 3).message();
    QTest::newRow("huge name count") << SPedalWireWriter(18, 1).u32(0xFFFFFFFF).string("f").message();
}

void TestAmbermeshWire::shortBodiesFail()
{
    QFETCH(QByteArray, message);
    LogCapture log;
    QVERIFY(!decode(message));
    QVERIFY(log.logged(QStringLiteral("too few for its fields")));
}

void TestAmbermeshWire::requestBytes_data()
{
    QTest::addColumn<RequestBuilder>("builder");
    QTest::addColumn<QByteArray>("expected");
    const QString path = QStringLiteral("/a");
    const auto hex = [](const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); };
    QTest::newRow("WhoAmI") << build<WhoAmIRequest>() << hex("0000 04000000 04030201");
    QTest::newRow("FileSystemEntryInfo") << build<FileSystemEntryInfoRequest>(qint8(1), path)
                                         << hex("0400 0b000000 04030201 01 02000000 2f61");
    QTest::newRow("FileSystemEntryCreate") << build<FileSystemEntryCreateRequest>(path)
                                           << hex("0700 0c000000 04030201 01 02000000 2f61 01");
    QTest::newRow("FileSystemEntryDelete") << build<FileSystemEntryDeleteRequest>(path)
                                           << hex("0900 0d000000 04030201 01 02000000 2f61 01 00");
    QTest::newRow("FileOpen read") << build<FileOpenRequest>(path, true)
                                   << hex("0a00 0c000000 04030201 02000000 2f61 01 01");
    QTest::newRow("FileOpen write") << build<FileOpenRequest>(path, false)
                                    << hex("0a00 0c000000 04030201 02000000 2f61 02 00");
    QTest::newRow("FileRead 4") << build<FileReadRequest>(quint64(0x1122334455667788), qint64(4))
                                << hex("0c00 10000000 04030201 8877665544332211 04000000");
    QTest::newRow("FileRead 8169") << build<FileReadRequest>(quint64(5), qint64(8169))
                                   << hex("0c00 10000000 04030201 0500000000000000 e91f0000");
    QTest::newRow("FileRead 8170") << build<FileReadRequest>(quint64(5), qint64(8170))
                                   << hex("0c00 10000000 04030201 0500000000000000 e91f0000");
    QTest::newRow("FileRead 100000") << build<FileReadRequest>(quint64(5), qint64(100000))
                                     << hex("0c00 10000000 04030201 0500000000000000 e91f0000");
    QTest::newRow("FileSeek") << build<FileSeekRequest>(quint64(5), qint64(40), qint8(0))
                              << hex("0f00 15000000 04030201 0500000000000000 2800000000000000 00");
    QTest::newRow("FileClose") << build<FileCloseRequest>(quint64(5))
                               << hex("1000 0c000000 04030201 0500000000000000");
    QTest::newRow("FolderContents") << build<FolderContentsRequest>(path) << hex("1100 0a000000 04030201 02000000 2f61");
    QTest::newRow("FolderContents UTF-8") << build<FolderContentsRequest>(QStringLiteral("/Ä€"))
                                          << hex("1100 0e000000 04030201 06000000 2fc384e282ac");
    QTest::newRow("GetProperties all") << build<GetPropertiesRequest>() << hex("1300 05000000 04030201 00");
    QTest::newRow("GetProperties two") << build<GetPropertiesRequest>(QList<quint16>{5, 7})
                                       << hex("1300 09000000 04030201 02 0500 0700");
    QTest::newRow("IssueCommand") << build<IssueCommandRequest>(quint16(0x1002), quint64(0))
                                  << hex("1600 0e000000 04030201 0210 0000000000000000");
    QTest::newRow("GetProperty") << build<GetPropertyRequest>(QList<quint16>{}, quint16(0x800B))
                                 << hex("1a00 07000000 04030201 00 0b80");
    QTest::newRow("FileWrite") << fileWriteAt("abcdef", 3)
                               << hex("0e00 13000000 04030201 0500000000000000 03000000 646566");
    QTest::newRow("FileWrite largest block")
        << fileWriteAt(QByteArray(10000, 'x'), 0)
        << hex("0e00 f91f0000 04030201 0500000000000000 e91f0000") + QByteArray(8169, 'x');
    QTest::newRow("FileWrite at end") << fileWriteAt("abc", 3)
                                      << hex("0e00 10000000 04030201 0500000000000000 00000000");
}

void TestAmbermeshWire::requestBytes()
{
    QFETCH(RequestBuilder, builder);
    QFETCH(QByteArray, expected);
    QCOMPARE(builder().toHex(' '), expected.toHex(' '));
}

void TestAmbermeshWire::serialNumbersIncrease()
{
    WhoAmIRequest first;
    WhoAmIRequest second;
    QCOMPARE(second.serialNumber, first.serialNumber + 1);
    QCOMPARE(first.bodySize, -1);
    FileReadRequest block(1, 10);
    QCOMPARE(block.serialNumber, second.serialNumber + 1);
    block.takeNextSerialNumber();
    QCOMPARE(block.serialNumber, second.serialNumber + 2);
    encode(first);
    QCOMPARE(first.bodySize, 0);
    FileReadRequest large(1, qint64(1) << 40);
    QCOMPARE(encode(large).mid(18).toHex(), QByteArray("e91f0000"));
    QCOMPARE(large.bodySize, 12);
}

QTEST_GUILESS_MAIN(TestAmbermeshWire)
#include "tst_ambermeshwire.moc"
