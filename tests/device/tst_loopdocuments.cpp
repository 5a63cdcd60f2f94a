#include "device/sloopdocuments.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLoopDocuments : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString write(const QString& name, const QByteArray& data);
    static stLoop sampleLoop();

private Q_SLOTS:
    void initTestCase();
    void roundTrip();
    void documentForm();
    void rhythmOnWrite_data();
    void rhythmOnWrite();
    void rhythmOnRead_data();
    void rhythmOnRead();
    void stopOnWrite_data();
    void stopOnWrite();
    void ratings_data();
    void ratings();
    void missingOriginAndEmptyName();
    void numbers_data();
    void numbers();
    void badDocumentsLeaveLoopUnchanged_data();
    void badDocumentsLeaveLoopUnchanged();
};

void TestLoopDocuments::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_dir.isValid());
}

QString TestLoopDocuments::write(const QString& name, const QByteArray& data)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(data);
    return path;
}

stLoop TestLoopDocuments::sampleLoop()
{
    stLoop loop;
    loop.name = QStringLiteral("Groove <1> & \"Don't\"");
    loop.description = QStringLiteral("Verse");
    loop.artist = QStringLiteral("Jürgen");
    loop.genre = QStringLiteral("Funk");
    loop.tags = QStringLiteral("slap, 4/4");
    loop.rhythmType = QStringLiteral("7-Cowbell");
    loop.stopMode = QStringLiteral("Fade");
    loop.patchId = QStringLiteral("5d1c0e52-6a0f-4a8e-9d52-0b7f1c1c2a10");
    loop.originId = QStringLiteral("0a2b3c4d-0000-4000-8000-000000000001");
    loop.rating = 3;
    loop.beatsPerMeasure = 4;
    loop.beatsPerMinute = 95.5f;
    loop.settingsVersion = 2;
    loop.audioVersion = 3;
    loop.loop = true;
    loop.reversed = false;
    loop.loopNumber = 5;
    return loop;
}

void TestLoopDocuments::roundTrip()
{
    stDeviceData device;
    device.name = QStringLiteral("Ostino Alto HD");
    const stLoop loop = sampleLoop();
    QVERIFY(SLoopDocuments::writePatchDocument(device, loop, m_dir.path()));
    QVERIFY(SLoopDocuments::writePhraseDocument(device, loop, m_dir.path()));
    stLoop read;
    read.loopNumber = 5;
    SLoopDocuments::readPatchDocument(m_dir.filePath(QStringLiteral("patch.xml")), read);
    SLoopDocuments::readPhraseDocument(m_dir.filePath(QStringLiteral("phrase.xml")), read);
    QCOMPARE(read.name, loop.name);
    QCOMPARE(read.description, loop.description);
    QCOMPARE(read.artist, loop.artist);
    QCOMPARE(read.genre, loop.genre);
    QCOMPARE(read.tags, loop.tags);
    QCOMPARE(read.rhythmType, QStringLiteral("7-Cowbell"));
    QCOMPARE(read.stopMode, QStringLiteral("FadeOut")); // device words stay device words
    QCOMPARE(read.patchId, loop.patchId);
    QCOMPARE(read.originId, loop.originId);
    QCOMPARE(read.phraseId, loop.patchId); // the phrase carries the patch id
    QCOMPARE(read.rating, 3);
    QCOMPARE(read.beatsPerMeasure, quint16(4));
    QCOMPARE(read.beatsPerMinute, 95.5f);
    QCOMPARE(read.settingsVersion, quint16(2));
    QCOMPARE(read.audioVersion, quint16(3));
    QVERIFY(read.loop);
    QVERIFY(!read.reversed);
}

void TestLoopDocuments::documentForm()
{
    stDeviceData device;
    device.name = QStringLiteral("Ostino Alto HD");
    stLoop loop = sampleLoop();
    loop.originId.clear();
    const QByteArray patch = SLoopDocuments::patchDocument(device, loop);
    QVERIFY(patch.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<OstinoPatch device=\"OstinoAltoHD\" "
                             "version=\"1\" xmlns=\"" +
                             SLoopDocuments::patchNamespace.toUtf8() + "\">\n"));
    QVERIFY(SLoopDocuments::patchNamespace.endsWith(QStringLiteral("/Ostino/Patch")));
    // Children in their order; names escaped; no OriginID without an origin.
    const QList<QByteArray> order = {"<PatchName>Groove &lt;1&gt; &amp; &quot;Don't&quot;</PatchName>",
                                     "<RhythmType>Cowbell</RhythmType>", "<StopMode>FadeOut</StopMode>",
                                     "<SettingsVersion>2</SettingsVersion>", "<ID>", "<Metadata>",
                                     "<Description>Verse</Description>", "<Artist>Jürgen</Artist>",
                                     "<Genre>Funk</Genre>", "<Rating>0.6</Rating>", "<Tags>slap, 4/4</Tags>"};
    qsizetype at = 0;
    for (const QByteArray& piece : order) {
        const qsizetype found = patch.indexOf(piece, at);
        QVERIFY2(found >= at, piece.constData());
        at = found;
    }
    QVERIFY(!patch.contains("OriginID"));

    const QByteArray phrase = SLoopDocuments::phraseDocument(loop);
    QVERIFY(phrase.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<OstinoPhrase xmlns=\"" +
                              SLoopDocuments::phraseNamespace.toUtf8() + "\" version=\"1\">\n"));
    const QList<QByteArray> phraseOrder = {"<BeatsPerMinute>95.5<", "<BeatsPerMeasure>4<", "<IsLoop>1<",
                                           "<IsReversed>0<", "<SettingsVersion>2<", "<AudioVersion>3<",
                                           "<ID>5d1c0e52-6a0f-4a8e-9d52-0b7f1c1c2a10<"};
    at = 0;
    for (const QByteArray& piece : phraseOrder) {
        const qsizetype found = phrase.indexOf(piece, at);
        QVERIFY2(found >= at, piece.constData());
        at = found;
    }
    // An empty patch id gets a fresh lower-case identifier without braces.
    loop.patchId.clear();
    const QByteArray fresh = SLoopDocuments::phraseDocument(loop);
    QVERIFY(QRegularExpression(QStringLiteral("<ID>[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}</ID>"))
                .match(QString::fromUtf8(fresh))
                .hasMatch());
}

void TestLoopDocuments::rhythmOnWrite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::newRow("empty") << QString() << QStringLiteral("Silence");
    QTest::newRow("OFF-Silence any case") << QStringLiteral("off-silence") << QStringLiteral("Silence");
    QTest::newRow("OFF-Silent") << QStringLiteral("OFF-Silent") << QStringLiteral("Silence");
    QTest::newRow("7-Cowbell") << QStringLiteral("7-Cowbell") << QStringLiteral("Cowbell");
    QTest::newRow("4-Alt") << QStringLiteral("4-Alt. Kick & High Hat") << QStringLiteral("AlternativeKickAndHighHat");
    QTest::newRow("no number") << QStringLiteral("Click") << QStringLiteral("Silence");
    QTest::newRow("12 unchanged") << QStringLiteral("12-Future") << QStringLiteral("12-Future");
}

void TestLoopDocuments::rhythmOnWrite()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QCOMPARE(SLoopDocuments::rhythmDeviceWord(text), word);
}

void TestLoopDocuments::rhythmOnRead_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("conga lower case") << QStringLiteral("conga") << QStringLiteral("8-Conga");
    QTest::newRow("techno") << QStringLiteral("TechnoKickAndHighHat") << QStringLiteral("6-Techno Kick & Snare");
    QTest::newRow("unknown") << QStringLiteral("Bongos") << QStringLiteral("OFF-Silent");
    QTest::newRow("empty") << QString() << QStringLiteral("OFF-Silent");
}

void TestLoopDocuments::rhythmOnRead()
{
    QFETCH(QString, word);
    QFETCH(QString, text);
    QCOMPARE(SLoopDocuments::rhythmDisplayText(word), text);
}

void TestLoopDocuments::stopOnWrite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::newRow("Fade") << QStringLiteral("Fade") << QStringLiteral("FadeOut");
    QTest::newRow("FadeOut") << QStringLiteral("FadeOut") << QStringLiteral("FadeOut");
    QTest::newRow("Stop") << QStringLiteral("Stop") << QStringLiteral("StopInstantly");
    QTest::newRow("Instant") << QStringLiteral("Instant") << QStringLiteral("StopInstantly");
    QTest::newRow("Finish") << QStringLiteral("Finish") << QStringLiteral("StopAtEndOfLoop");
    QTest::newRow("StopAtEndOfLoop") << QStringLiteral("StopAtEndOfLoop") << QStringLiteral("StopAtEndOfLoop");
    QTest::newRow("finish lower case") << QStringLiteral("finish") << QStringLiteral("finish");
    QTest::newRow("empty") << QString() << QString();
}

void TestLoopDocuments::stopOnWrite()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QCOMPARE(SLoopDocuments::stopDeviceWord(text), word);
}

void TestLoopDocuments::ratings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("rating");
    QTest::newRow("0.6") << QByteArray("0.6") << 3;
    QTest::newRow("1") << QByteArray("1") << 5;
    QTest::newRow("0.2") << QByteArray("0.2") << 1;
    QTest::newRow("0.8") << QByteArray("0.8") << 4;
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("junk") << QByteArray("lots") << 0;
}

void TestLoopDocuments::ratings()
{
    QFETCH(QByteArray, text);
    QFETCH(int, rating);
    const QString path = write(QStringLiteral("rating.xml"),
                               "<?xml version=\"1.0\"?><OstinoPatch><Metadata><Rating>" + text +
                                   "</Rating></Metadata></OstinoPatch>");
    stLoop loop;
    loop.rating = 2;
    SLoopDocuments::readPatchDocument(path, loop);
    QCOMPARE(loop.rating, rating);
}

void TestLoopDocuments::missingOriginAndEmptyName()
{
    const QString path = write(QStringLiteral("p.xml"),
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<ostinopatch xmlns=\"urn:x\">"
                               "<patchname/><ID>abc</ID><Unknown>x</Unknown></ostinopatch>");
    stLoop loop;
    loop.loopNumber = 7;
    SLoopDocuments::readPatchDocument(path, loop);
    QCOMPARE(loop.name, QStringLiteral("Loop_07"));
    QCOMPARE(loop.patchId, QStringLiteral("abc"));
    QCOMPARE(loop.originId, QStringLiteral("abc"));
}

void TestLoopDocuments::numbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("120") << 120.0 << QStringLiteral("120");
    QTest::newRow("95.5") << 95.5 << QStringLiteral("95.5");
    QTest::newRow("3/5") << 3.0 / 5.0 << QStringLiteral("0.6");
    QTest::newRow("six digits") << 123.4567 << QStringLiteral("123.457");
}

void TestLoopDocuments::numbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(SLoopDocuments::formatNumber(value), text);
    QCOMPARE(SLoopDocuments::slotNumberText(7), QStringLiteral("07"));
    QCOMPARE(SLoopDocuments::slotNumberText(10), QStringLiteral("10"));
    QCOMPARE(SLoopDocuments::slotNumberText(100), QStringLiteral("100"));
}

void TestLoopDocuments::badDocumentsLeaveLoopUnchanged_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("wrong root") << QByteArray("<OstinoPhrase><PatchName>x</PatchName></OstinoPhrase>");
    QTest::newRow("truncated") << QByteArray("<OstinoPatch><PatchName>x</PatchName><ID>y</I");
    QTest::newRow("not UTF-8") << QByteArray("<OstinoPatch><PatchName>\xff\xfe</PatchName></OstinoPatch>");
    QTest::newRow("huge") << QByteArray("<OstinoPatch><PatchName>") + QByteArray(1024 * 1024, 'a') +
                                 QByteArray("</PatchName></OstinoPatch>");
    QTest::newRow("binary") << QByteArray("\x00\x01\x02RIFF", 7);
}

void TestLoopDocuments::badDocumentsLeaveLoopUnchanged()
{
    QFETCH(QByteArray, data);
    const QString path = data.isNull() ? m_dir.filePath(QStringLiteral("absent.xml"))
                                       : write(QStringLiteral("bad.xml"), data);
    stLoop loop;
    loop.name = QStringLiteral("unchanged");
    loop.loopNumber = 3;
    SLoopDocuments::readPatchDocument(path, loop);
    SLoopDocuments::readPhraseDocument(path, loop);
    QCOMPARE(loop.name, QStringLiteral("unchanged"));
    QVERIFY(loop.patchId.isEmpty());
    QCOMPARE(loop.beatsPerMinute, 0.0f);
}

QTEST_GUILESS_MAIN(TestLoopDocuments)
#include "tst_loopdocuments.moc"
