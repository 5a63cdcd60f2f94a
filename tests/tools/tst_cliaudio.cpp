#include "device/sloopdocuments.h"
#include "spedalsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>

// spoolbox-cli's audio commands, and push converting a file on its way to the pedal.
class TestCliAudio : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_tone; // 48 kHz, 24-bit stereo: not the pedal's format

    static bool writeWav(const QString& path, int rate, int bits, int channels, double seconds, double amplitude);
    static QByteArray header(const QString& path);
    int cli(const QStringList& args);

private Q_SLOTS:
    void initTestCase();
    void convertToDeviceFormat_data();
    void convertToDeviceFormat();
    void levelAndMultiply_data();
    void levelAndMultiply();
    void errorsLeaveNoOutput_data();
    void errorsLeaveNoOutput();
    void pushConverts();
};

bool TestCliAudio::writeWav(const QString& path, int rate, int bits, int channels, double seconds, double amplitude)
{
    const int frames = int(rate * seconds);
    const int bytes = bits / 8;
    QByteArray data;
    data.reserve(frames * channels * bytes);
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * M_PI * 440.0 * i / rate);
        const qint32 sample = qint32(std::lround(v * ((1 << (bits - 1)) - 1)));
        for (int c = 0; c < channels; ++c) {
            char b[4];
            qToLittleEndian(sample, b);
            data.append(b, bytes);
        }
    }
    QByteArray out("RIFF");
    auto put32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
    auto put16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
    put32(quint32(36 + data.size()));
    out.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(quint16(channels));
    put32(quint32(rate));
    put32(quint32(rate * channels * bytes));
    put16(quint16(channels * bytes));
    put16(quint16(bits));
    out.append("data");
    put32(quint32(data.size()));
    out.append(data);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

QByteArray TestCliAudio::header(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(44) : QByteArray();
}

int TestCliAudio::cli(const QStringList& args)
{
    QProcess process;
    process.start(TestEnv::binary(QStringLiteral("spoolbox-cli")), args);
    if (!process.waitForFinished(60000))
        return -100;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -101;
}

void TestCliAudio::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    m_tone = m_dir.filePath(QStringLiteral("tone48k.wav"));
    QVERIFY(writeWav(m_tone, 48000, 24, 2, 0.5, 0.25));
}

void TestCliAudio::convertToDeviceFormat_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("channels");
    QTest::newRow("stereo model") << QStringLiteral("Ostino Alto HD") << 2;
    QTest::newRow("mono model") << QStringLiteral("Ostino Alto") << 1;
}

void TestCliAudio::convertToDeviceFormat()
{
    QFETCH(QString, model);
    QFETCH(int, channels);
    const QString out = m_dir.filePath(QStringLiteral("converted.wav"));
    QCOMPARE(cli({QStringLiteral("convert"), m_tone, out, QStringLiteral("--model"), model}), 0);
    const QByteArray h = header(out);
    QCOMPARE(h.left(4), QByteArray("RIFF"));
    QCOMPARE(h.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint16>(h.constData() + 22), quint16(channels));
    QCOMPARE(qFromLittleEndian<quint32>(h.constData() + 24), 44100u);
    QCOMPARE(qFromLittleEndian<quint16>(h.constData() + 34), quint16(16));
    const quint32 frames = qFromLittleEndian<quint32>(h.constData() + 40) / quint32(2 * channels);
    QVERIFY2(qAbs(int(frames) - 22050) < 16, qPrintable(QString::number(frames)));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral(".partial")));
}

void TestCliAudio::levelAndMultiply_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<double>("sizeFactor");
    QTest::newRow("normalize") << QStringList {QStringLiteral("level"), QStringLiteral("--normalize")} << 1.0;
    QTest::newRow("attenuate 6") << QStringList {QStringLiteral("level"), QStringLiteral("--attenuate"), QStringLiteral("6")} << 1.0;
    QTest::newRow("multiply 3") << QStringList {QStringLiteral("multiply"), QStringLiteral("--times"), QStringLiteral("3")} << 3.0;
}

void TestCliAudio::levelAndMultiply()
{
    QFETCH(QStringList, args);
    QFETCH(double, sizeFactor);
    const QString in = m_dir.filePath(QStringLiteral("device.wav"));
    QVERIFY(writeWav(in, 44100, 16, 2, 0.25, 0.25));
    const QString out = m_dir.filePath(QStringLiteral("out.wav"));
    QFile::remove(out);
    QStringList full = args;
    full.insert(1, in);
    full.insert(2, out);
    QCOMPARE(cli(full), 0);
    const quint32 inData = qFromLittleEndian<quint32>(header(in).constData() + 40);
    const quint32 outData = qFromLittleEndian<quint32>(header(out).constData() + 40);
    QCOMPARE(double(outData), double(inData) * sizeFactor);
}

void TestCliAudio::errorsLeaveNoOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    const QString missing = QStringLiteral("/nonexistent/in.wav");
    QTest::newRow("missing source") << QStringList {QStringLiteral("convert"), missing, QStringLiteral("OUT")} << 1;
    QTest::newRow("text file") << QStringList {QStringLiteral("convert"), QStringLiteral("TEXT"), QStringLiteral("OUT")} << 1;
    QTest::newRow("attenuate 4") << QStringList {QStringLiteral("level"), QStringLiteral("TEXT"), QStringLiteral("OUT"),
                                                 QStringLiteral("--attenuate"), QStringLiteral("4")} << 2;
    QTest::newRow("times 9") << QStringList {QStringLiteral("multiply"), QStringLiteral("TEXT"), QStringLiteral("OUT"),
                                             QStringLiteral("--times"), QStringLiteral("9")} << 2;
}

void TestCliAudio::errorsLeaveNoOutput()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    const QString text = m_dir.filePath(QStringLiteral("notes.wav"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not audio at all");
    file.close();
    const QString out = m_dir.filePath(QStringLiteral("never.wav"));
    args.replaceInStrings(QStringLiteral("TEXT"), text);
    args.replaceInStrings(QStringLiteral("OUT"), out);
    QCOMPARE(cli(args), code);
    QVERIFY(!QFileInfo::exists(out));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral(".partial")));
}

void TestCliAudio::pushConverts()
{
    SPedalConfig config;
    config.internalDir = m_dir.filePath(QStringLiteral("pedal/internal"));
    config.systemDir = m_dir.filePath(QStringLiteral("pedal/system"));
    config.model = QStringLiteral("Ostino Alto");
    QVERIFY(QDir().mkpath(config.internalDir));
    SPedalSimulator pedal(config);
    QString error;
    QVERIFY2(pedal.open(&error) && pedal.start(), qPrintable(error));
    QCOMPARE(cli({QStringLiteral("--port"), pedal.portPath(), QStringLiteral("push"), m_tone, QStringLiteral("9")}), 0);
    const QByteArray h = header(config.internalDir + QStringLiteral("/Patch09/PhraseA/phrase.wav"));
    QCOMPARE(qFromLittleEndian<quint32>(h.constData() + 24), 44100u);
    QCOMPARE(qFromLittleEndian<quint16>(h.constData() + 22), quint16(1)); // the mono model
    QVERIFY(QFileInfo::exists(config.internalDir + QStringLiteral("/Patch09/patch.xml")));
}

QTEST_GUILESS_MAIN(TestCliAudio)
#include "tst_cliaudio.moc"
