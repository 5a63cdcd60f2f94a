#include "audio/saudioexports.h"
#include "audio/saudiofileoperations.h"
#include "audiofixtures.h"
#include "core/sglobals.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace AudioFixtures;
using Ops = SAudioFileOperations;

namespace {

std::vector<int> g_progress;
int g_cancelAfter = -1; // calls before the callback says stop; -1: never

bool recordProgress(int percent)
{
    g_progress.push_back(percent);
    return g_cancelAfter < 0 || int(g_progress.size()) <= g_cancelAfter;
}

void resetProgress(int cancelAfter = -1)
{
    g_progress.clear();
    g_cancelAfter = cancelAfter;
}

quint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 le16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList convertFolderLeftovers()
{
    return QDir(Ops::convertFolder()).entryList({QStringLiteral("tempFile*")}, QDir::Files);
}

} // namespace

// The operations under test, one signature for the data tables.
using Operation = std::function<int(const QString& source, const QString& destination)>;
Q_DECLARE_METATYPE(Operation)

class TestAudioFileOperations : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Stereo (or mono) fixture: left a 1 kHz tone at 0.5, right the same at 0.25.
    QString makeFixture(const QString& name, int rate, int channels, Encoding encoding, int frames,
                        bool extensible = false);
    void verifyCanonicalWav(const QString& file, int channels, int rate, int bits);

private Q_SLOTS:
    void initTestCase();
    void init();
    void deviceFormat_data();
    void deviceFormat();
    void convertKeepsSourceFormat_data();
    void convertKeepsSourceFormat();
    void convertChannels_data();
    void convertChannels();
    void errorCodes_data();
    void errorCodes();
    void truncatedAndLyingHeaders_data();
    void truncatedAndLyingHeaders();
    void cancelLeavesNothing_data();
    void cancelLeavesNothing();
    void multiply_data();
    void multiply();
    void level_data();
    void level();
    void sourceIsNeverOverwritten();
    void headerFixUp();
    void exportedCFunctions();
};

void TestAudioFileOperations::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_dir.isValid());
    QVERIFY(SGlobals::prepareWorkingFolder());
}

void TestAudioFileOperations::init()
{
    resetProgress();
}

QString TestAudioFileOperations::makeFixture(const QString& name, int rate, int channels, Encoding encoding,
                                             int frames, bool extensible)
{
    Channels data{tone(frames, 1000, rate, 0.5)};
    if (channels == 2)
        data.push_back(tone(frames, 1000, rate, 0.25));
    const QString file = path(name);
    if (name.endsWith(QLatin1String(".wav")))
        writeFile(file, wavBytes(data, rate, encoding, extensible));
    else
        writeWithJuce(file, data, rate, encoding == Encoding::Int24 ? 24 : 16);
    return file;
}

void TestAudioFileOperations::verifyCanonicalWav(const QString& file, int channels, int rate, int bits)
{
    const QByteArray b = fileBytes(file);
    QVERIFY(b.size() >= 44);
    QCOMPARE(b.left(4), QByteArray("RIFF"));
    QCOMPARE(le32(b, 4), quint32(b.size() - 8));
    QCOMPARE(b.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(le32(b, 16), 16u);
    QCOMPARE(le16(b, 20), quint16(1));
    QCOMPARE(le16(b, 22), quint16(channels));
    QCOMPARE(le32(b, 24), quint32(rate));
    QCOMPARE(le32(b, 28), quint32(rate * channels * bits / 8));
    QCOMPARE(le16(b, 32), quint16(channels * bits / 8));
    QCOMPARE(le16(b, 34), quint16(bits));
    QCOMPARE(b.mid(36, 4), QByteArray("data"));
    QCOMPARE(le32(b, 40), quint32(b.size() - 44));
}

void TestAudioFileOperations::deviceFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("extensible");
    QTest::addColumn<bool>("mono");
    QTest::addColumn<bool>("unchanged");
    const int i8 = int(Encoding::Int8), i16 = int(Encoding::Int16), i24 = int(Encoding::Int24),
              i32 = int(Encoding::Int32), f32 = int(Encoding::Float32);
    QTest::newRow("pedal format stereo") << "a.wav" << 44100 << 2 << i16 << false << false << true;
    QTest::newRow("pedal format mono") << "b.wav" << 44100 << 1 << i16 << false << true << true;
    QTest::newRow("stereo for the mono model") << "c.wav" << 44100 << 2 << i16 << false << true << false;
    QTest::newRow("mono for a stereo model") << "d.wav" << 44100 << 1 << i16 << false << false << false;
    QTest::newRow("8-bit 8 kHz") << "e.wav" << 8000 << 1 << i8 << false << false << false;
    QTest::newRow("24-bit 48 kHz") << "f.wav" << 48000 << 2 << i24 << false << false << false;
    QTest::newRow("32-bit 96 kHz") << "g.wav" << 96000 << 2 << i32 << false << false << false;
    QTest::newRow("float 192 kHz") << "h.wav" << 192000 << 1 << f32 << false << true << false;
    QTest::newRow("extensible 24-bit 88.2 kHz") << "i.wav" << 88200 << 2 << i24 << true << false << false;
    QTest::newRow("float 384 kHz") << "j.wav" << 384000 << 2 << f32 << false << false << false;
    QTest::newRow("aiff 22.05 kHz") << "k.aiff" << 22050 << 2 << i16 << false << false << false;
    QTest::newRow("aif 32 kHz mono") << "l.aif" << 32000 << 1 << i24 << false << true << false;
    QTest::newRow("ogg 44.1 kHz") << "m.ogg" << 44100 << 2 << i16 << false << false << false;
}

void TestAudioFileOperations::deviceFormat()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, encoding);
    QFETCH(bool, extensible);
    QFETCH(bool, mono);
    QFETCH(bool, unchanged);
    const int frames = rate / 5;
    const QString source = makeFixture(name, rate, channels, Encoding(encoding), frames, extensible);
    QString output = QStringLiteral("unset");
    QCOMPARE(Ops::convertToDeviceFormat(source, output, mono), 0);
    if (unchanged) {
        QVERIFY(output.isEmpty());
        return;
    }
    QCOMPARE(QFileInfo(output).absolutePath(), QFileInfo(Ops::convertFolder()).absoluteFilePath());
    const int outChannels = mono ? 1 : 2;
    verifyCanonicalWav(output, outChannels, 44100, 16);
    const Audio a = read(output);
    QVERIFY(a.ok);
    const bool lossy = name.endsWith(QLatin1String(".ogg"));
    QVERIFY2(std::abs(a.frames() - frames * 44100.0 / rate) <= (lossy ? 2048 : 4), qPrintable(QString::number(a.frames())));
    // Levels survive: left keeps its tone; right is the source's right or silence.
    const size_t from = size_t(a.frames() / 4), to = size_t(a.frames() * 3 / 4);
    const double tolerance = lossy ? 0.1 : (encoding == int(Encoding::Int8) ? 0.02 : 0.005);
    QVERIFY2(std::fabs(rms(a.data[0], from, to) - 0.5 / std::sqrt(2)) < tolerance,
             qPrintable(QString::number(rms(a.data[0], from, to))));
    if (outChannels == 2) {
        const double right = channels == 2 ? 0.25 / std::sqrt(2) : 0.0;
        QVERIFY(std::fabs(rms(a.data[1], from, to) - right) < tolerance);
    }
    QVERIFY(convertFolderLeftovers().isEmpty());
}

void TestAudioFileOperations::convertKeepsSourceFormat_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("exact");
    QTest::newRow("wav 24 -> aiff") << "s1.wav" << "d1.aiff" << 24 << true;
    QTest::newRow("flac 24 -> wav") << "s2.flac" << "d2.wav" << 24 << true;
    QTest::newRow("aiff 16 -> WAV") << "s3.aiff" << "d3.WAV" << 16 << true;
    QTest::newRow("wav 16 -> ogg") << "s4.wav" << "d4.ogg" << 16 << false;
}

void TestAudioFileOperations::convertKeepsSourceFormat()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(int, bits);
    QFETCH(bool, exact);
    const Channels data{sweep(12000, 20, 20000, 48000, 0.7), noise(12000, 0.5, 3)};
    if (source.endsWith(QLatin1String(".wav")))
        QVERIFY(writeFile(path(source), wavBytes(data, 48000, bits == 24 ? Encoding::Int24 : Encoding::Int16)));
    else
        QVERIFY(writeWithJuce(path(source), data, 48000, bits));
    QCOMPARE(Ops::convert(path(source), path(destination), 0, false, 0, 0, nullptr), 0);
    const Audio in = read(path(source)), out = read(path(destination));
    QVERIFY(out.ok);
    QCOMPARE(out.rate, 48000.0);
    QCOMPARE(out.data.size(), size_t(2));
    if (!exact)
        return;
    QCOMPARE(out.bits, bits);
    // The writer's float to integer scaling may move a sample by one step.
    const double step = std::ldexp(1.0, 1 - bits) * 1.01;
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < in.data[c].size(); ++i)
            if (std::fabs(out.data[c][i] - in.data[c][i]) > step)
                QFAIL(qPrintable(QStringLiteral("%1/%2: %3 %4").arg(c).arg(i).arg(out.data[c][i]).arg(in.data[c][i])));
    if (destination.endsWith(QLatin1String(".WAV")))
        verifyCanonicalWav(path(destination), 2, 48000, bits);
}

void TestAudioFileOperations::convertChannels_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("mix");
    QTest::addColumn<double>("left");  // rms of the written left channel
    QTest::addColumn<double>("right"); // -1: no right channel
    const double s = 1 / std::sqrt(2.0);
    QTest::newRow("keep") << 0 << false << 0.5 * s << 0.25 * s;
    QTest::newRow("mono keeps left") << 1 << false << 0.5 * s << -1.0;
    QTest::newRow("mono mixes") << 1 << true << 0.375 * s << -1.0;
    QTest::newRow("stereo ignores mix") << 2 << true << 0.5 * s << 0.25 * s;
    QTest::newRow("four channels, two silent") << 4 << false << 0.5 * s << 0.25 * s;
}

void TestAudioFileOperations::convertChannels()
{
    QFETCH(int, channels);
    QFETCH(bool, mix);
    QFETCH(double, left);
    QFETCH(double, right);
    const QString source = makeFixture(QStringLiteral("ch.wav"), 44100, 2, Encoding::Float32, 20000);
    const QString destination = path(QStringLiteral("ch-out.wav"));
    QCOMPARE(Ops::convert(source, destination, channels, mix, 16, 0, nullptr), 0);
    const Audio a = read(destination);
    QCOMPARE(int(a.data.size()), channels ? channels : 2);
    QCOMPARE(a.frames(), 20000);
    QVERIFY(std::fabs(rms(a.data[0], 0, 20000) - left) < 0.002);
    if (right >= 0)
        QVERIFY(std::fabs(rms(a.data[1], 0, 20000) - right) < 0.002);
    for (size_t c = 2; c < a.data.size(); ++c)
        QCOMPARE(peak(a.data[c]), 0.0);
}

void TestAudioFileOperations::errorCodes_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("expected");
    const Operation convert = [](const QString& s, const QString& d) {
        return Ops::convert(s, d, 2, false, 16, 44100, nullptr);
    };
    const Operation copy = [](const QString& s, const QString& d) { return Ops::copyAndAppend(s, d, 2, nullptr); };
    const Operation level = [](const QString& s, const QString& d) { return Ops::level(false, -1, s, d, nullptr); };
    const Operation device = [](const QString& s, const QString&) {
        QString out;
        return Ops::convertToDeviceFormat(s, out, false);
    };
    const Operation toRate1 = [](const QString& s, const QString& d) {
        return Ops::convert(s, d, 2, false, 16, 1, nullptr);
    };
    const Operation bits0 = [](const QString& s, const QString& d) { return Ops::convert(s, d, 2, false, 0, 0, nullptr); };
    const std::vector<std::pair<const char*, Operation>> ops = {
        {"convert", convert}, {"copy", copy}, {"level", level}, {"device", device}};
    for (const auto& [name, op] : ops) {
        QTest::addRow("%s: missing source", name) << op << "missing.wav" << "out.wav" << 1;
        QTest::addRow("%s: text named .wav", name) << op << "text.wav" << "out.wav" << 2;
        QTest::addRow("%s: empty file", name) << op << "empty.wav" << "out.wav" << 2;
        QTest::addRow("%s: zero rate header", name) << op << "zerorate.wav" << "out.wav" << 2;
        QTest::addRow("%s: text named .ogg", name) << op << "text.ogg" << "out.wav" << 2;
        QTest::addRow("%s: unknown source type", name) << op << "good.xyz" << "out.wav" << 4;
    }
    for (const auto& [name, op] : ops) {
        if (op.target<int (*)(const QString&, const QString&)>() || std::string(name) == "device")
            continue;
        QTest::addRow("%s: unknown destination type", name) << op << "good.wav" << "out.xyz" << 4;
        QTest::addRow("%s: destination folder missing (wav)", name) << op << "good.wav" << "no/such/out.wav" << 3;
        QTest::addRow("%s: destination folder missing (aiff)", name) << op << "good.wav" << "no/such/out.aiff" << 3;
    }
    QTest::newRow("convert: absurd rate") << toRate1 << "good.wav" << "out.wav" << 4;
    QTest::newRow("convert: 0 bits") << bits0 << "good.wav" << "out.wav" << 4;
}

void TestAudioFileOperations::errorCodes()
{
    QFETCH(Operation, operation);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(int, expected);
    QVERIFY(writeFile(path(QStringLiteral("text.wav")), "This is not audio, only text that says it is.\n"));
    QVERIFY(writeFile(path(QStringLiteral("text.ogg")), "OggS? no."));
    QVERIFY(writeFile(path(QStringLiteral("empty.wav")), QByteArray()));
    QByteArray zeroRate = wavBytes({tone(100, 1000, 44100, 0.5)}, 44100, Encoding::Int16);
    qToLittleEndian<quint32>(0, zeroRate.data() + 24);
    QVERIFY(writeFile(path(QStringLiteral("zerorate.wav")), zeroRate));
    const QByteArray good = wavBytes({tone(1000, 1000, 48000, 0.5)}, 48000, Encoding::Int16);
    QVERIFY(writeFile(path(QStringLiteral("good.wav")), good));
    QVERIFY(writeFile(path(QStringLiteral("good.xyz")), good));
    QFile::remove(path(destination));

    QCOMPARE(operation(path(source), path(destination)), expected);
    QVERIFY(!QFileInfo::exists(path(destination)));
    QVERIFY(convertFolderLeftovers().isEmpty());
}

void TestAudioFileOperations::truncatedAndLyingHeaders_data()
{
    QTest::addColumn<long long>("claimed");
    QTest::addColumn<int>("cutBytes");
    QTest::newRow("truncated") << -1LL << 3001;
    QTest::newRow("claims ten times more") << 40000LL << 0;
    QTest::newRow("claims 4 GiB") << 0x7ffffff0LL << 0;
}

void TestAudioFileOperations::truncatedAndLyingHeaders()
{
    QFETCH(long long, claimed);
    QFETCH(int, cutBytes);
    const int frames = 4000;
    QByteArray bytes = wavBytes({tone(frames, 1000, 44100, 0.5), tone(frames, 500, 44100, 0.5)}, 44100,
                                Encoding::Int16, false, claimed);
    bytes.chop(cutBytes);
    const QString source = path(QStringLiteral("lying.wav"));
    QVERIFY(writeFile(source, bytes));
    const QString destination = path(QStringLiteral("lying-out.wav"));
    QCOMPARE(Ops::convert(source, destination, 0, false, 0, 0, nullptr), 0);
    const Audio a = read(destination);
    // What the file holds, plus at most the header's worth of frames.
    const int held = (int(bytes.size()) - 44) / 4;
    QVERIFY2(a.frames() >= held && a.frames() <= held + 11, qPrintable(QString::number(a.frames())));
    QCOMPARE(Ops::copyAndAppend(source, destination, 1, nullptr), 0);
    QVERIFY(read(destination).frames() <= 2 * (held + 11));
}

void TestAudioFileOperations::cancelLeavesNothing_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("cancelAfter");
    const Operation convert = [](const QString& s, const QString& d) {
        return Ops::convert(s, d, 1, true, 16, 44100, recordProgress);
    };
    const Operation copy = [](const QString& s, const QString& d) {
        return Ops::copyAndAppend(s, d, 3, recordProgress);
    };
    const Operation level = [](const QString& s, const QString& d) {
        return Ops::level(true, -6, s, d, recordProgress);
    };
    for (int after : {0, 1}) {
        QTest::addRow("convert after %d", after) << convert << after;
        QTest::addRow("copy after %d", after) << copy << after;
        QTest::addRow("level after %d", after) << level << after;
    }
}

void TestAudioFileOperations::cancelLeavesNothing()
{
    QFETCH(Operation, operation);
    QFETCH(int, cancelAfter);
    const QString source = makeFixture(QStringLiteral("long.wav"), 48000, 2, Encoding::Int16, 80000);
    for (const QString& name : {QStringLiteral("cancel.wav"), QStringLiteral("cancel.aiff")}) {
        const QString destination = path(name);
        QVERIFY(writeFile(destination, "previous content"));
        resetProgress(cancelAfter);
        QCOMPARE(operation(source, destination), 5);
        QCOMPARE(int(g_progress.size()), cancelAfter + 1);
        QCOMPARE(fileBytes(destination), QByteArray("previous content"));
        QVERIFY(convertFolderLeftovers().isEmpty());
    }
}

void TestAudioFileOperations::multiply_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("extra");
    QTest::newRow("one second, one extra copy") << 44100 << 1;
    QTest::newRow("no extra copy") << 1000 << 0;
    QTest::newRow("several blocks, three extra") << 70000 << 3;
    QTest::newRow("shorter than a fade") << 300 << 2;
    QTest::newRow("negative count") << 1000 << -1;
}

void TestAudioFileOperations::multiply()
{
    QFETCH(int, frames);
    QFETCH(int, extra);
    const QString source = path(QStringLiteral("mul.wav"));
    QVERIFY(writeFile(source, wavBytes({std::vector<float>(size_t(frames), 0.5f), std::vector<float>(size_t(frames), -0.25f)},
                                       44100, Encoding::Float32)));
    const QString destination = path(QStringLiteral("mul-out.wav"));
    QCOMPARE(Ops::copyAndAppend(source, destination, extra, recordProgress), 0);
    const Audio a = read(destination);
    QVERIFY(a.ok);
    QCOMPARE(a.frames(), std::max(0, (extra + 1) * frames));
    if (extra < 0)
        return;
    QVERIFY(a.isFloat);
    QCOMPARE(g_progress.back(), 100);
    QVERIFY(std::is_sorted(g_progress.begin(), g_progress.end()));
    const int g = std::min(529, frames);
    for (int copy = 0; copy <= extra; ++copy) {
        for (int k = 0; k < frames; ++k) {
            float gain = 1.0f;
            if (copy > 0 && k < g)
                gain *= float(k) / float(g);
            if (copy < extra && k >= frames - g)
                gain *= 1.0f - float(k - (frames - g)) / float(g);
            const size_t at = size_t(copy) * size_t(frames) + size_t(k);
            if (a.data[0][at] != 0.5f * gain || a.data[1][at] != -0.25f * gain)
                QFAIL(qPrintable(QStringLiteral("copy %1 sample %2: %3").arg(copy).arg(k).arg(a.data[0][at])));
        }
    }
}

void TestAudioFileOperations::level_data()
{
    QTest::addColumn<bool>("attenuate");
    QTest::addColumn<float>("decibels");
    QTest::addColumn<float>("high");
    QTest::addColumn<float>("low");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<double>("gain");
    const int f32 = int(Encoding::Float32), i16 = int(Encoding::Int16);
    QTest::newRow("normalise -0.3 dB, peak 0.5") << false << -0.3f << 0.5f << -0.4f << f32 << std::pow(10.0, -0.3 / 20) / 0.5; // about 1.932
    QTest::newRow("negative peak counts") << false << 0.0f << 0.5f << -0.8f << f32 << 1.25;
    QTest::newRow("negative peak, 16-bit, no clipping") << false << 0.0f << 0.3f << -0.9f << i16 << 1.0 / 0.9;
    QTest::newRow("attenuate -6 dB") << true << -6.0f << 0.5f << -0.5f << f32 << std::pow(10.0, -6.0 / 20);
    QTest::newRow("attenuate 0 dB copies") << true << 0.0f << 0.5f << -0.5f << f32 << 1.0;
    QTest::newRow("silence stays silent") << false << -0.3f << 0.0f << 0.0f << f32 << 1.0;
}

void TestAudioFileOperations::level()
{
    QFETCH(bool, attenuate);
    QFETCH(float, decibels);
    QFETCH(float, high);
    QFETCH(float, low);
    QFETCH(int, encoding);
    QFETCH(double, gain);
    std::vector<float> left = tone(50000, 440, 44100, high == 0.0f ? 0.0 : 0.1), right(50000, 0.0f);
    left[1000] = high;
    right[40000] = low;
    const QString source = path(QStringLiteral("lvl.wav"));
    QVERIFY(writeFile(source, wavBytes({left, right}, 44100, Encoding(encoding))));
    const Audio in = read(source);
    const QString destination = path(QStringLiteral("lvl-out.wav"));
    QCOMPARE(Ops::level(attenuate, decibels, source, destination, recordProgress), 0);
    QCOMPARE(g_progress.back(), 100);
    const Audio out = read(destination);
    QCOMPARE(out.frames(), 50000);
    const double tolerance = encoding == int(Encoding::Int16) ? 2.0 / 32768 : 1e-6;
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < 50000; i += 7)
            QVERIFY2(std::fabs(out.data[c][i] - in.data[c][i] * gain) <= tolerance,
                     qPrintable(QStringLiteral("%1/%2: %3 %4").arg(c).arg(i).arg(out.data[c][i], 0, 'g', 9).arg(in.data[c][i], 0, 'g', 9)));
    QVERIFY(peak(out.data[0]) <= 1.0 && peak(out.data[1]) <= 1.0);
    if (!attenuate && high != 0.0f)
        QVERIFY(std::fabs(std::max(peak(out.data[0]), peak(out.data[1])) - std::pow(10.0, decibels / 20.0)) < tolerance);
}

void TestAudioFileOperations::sourceIsNeverOverwritten()
{
    // A source in the Convert folder called like the temporary file.
    QDir().mkpath(Ops::convertFolder());
    const QString tempNamed = Ops::convertFolder() + QStringLiteral("/tempFile.wav");
    const QByteArray bytes = wavBytes({tone(20000, 1000, 48000, 0.5)}, 48000, Encoding::Int16);
    QVERIFY(writeFile(tempNamed, bytes));
    QCOMPARE(Ops::convert(tempNamed, path(QStringLiteral("t1.wav")), 0, false, 0, 44100, nullptr), 0);
    QCOMPARE(fileBytes(tempNamed), bytes);
    QString output;
    QCOMPARE(Ops::convertToDeviceFormat(tempNamed, output, true), 0);
    QVERIFY(!output.isEmpty() && output != tempNamed);
    QCOMPARE(fileBytes(tempNamed), bytes);
    QCOMPARE(read(output).frames(), 18375);

    // Levelling a file onto itself.
    const QString inPlace = path(QStringLiteral("self.wav"));
    QVERIFY(writeFile(inPlace, wavBytes({tone(20000, 1000, 48000, 0.25)}, 48000, Encoding::Int16)));
    QCOMPARE(Ops::level(false, 0.0f, inPlace, inPlace, nullptr), 0);
    QVERIFY(std::fabs(peak(read(inPlace).data[0]) - 1.0) < 1e-4);
    QCOMPARE(Ops::level(true, -6.0206f, inPlace, path(QStringLiteral("self.aiff")), nullptr), 0);
    QCOMPARE(Ops::level(true, 0.0f, path(QStringLiteral("self.aiff")), path(QStringLiteral("self.aiff")), nullptr), 0);
    QVERIFY(std::fabs(peak(read(path(QStringLiteral("self.aiff"))).data[0]) - 0.5) < 1e-4);
}

void TestAudioFileOperations::headerFixUp()
{
    const Channels data{tone(1001, 1000, 44100, 0.5)};
    // An already plain file is copied byte for byte.
    const QByteArray plain = wavBytes(data, 44100, Encoding::Int16);
    const QString temp = path(QStringLiteral("fix-temp.wav"));
    QVERIFY(writeFile(temp, plain));
    QVERIFY(Ops::fixWavHeader(temp, path(QStringLiteral("fix-plain.wav"))));
    QCOMPARE(fileBytes(path(QStringLiteral("fix-plain.wav"))), plain);
    QVERIFY(!QFileInfo::exists(temp));

    // The writer's reserved JUNK chunk is dropped, the sizes follow.
    const QString written = path(QStringLiteral("fix-juce.wav"));
    QVERIFY(writeWithJuce(written, data, 44100, 16));
    const QByteArray withJunk = fileBytes(written);
    QCOMPARE(withJunk.mid(12, 4), QByteArray("JUNK"));
    QVERIFY(Ops::fixWavHeader(written, path(QStringLiteral("fix-out.wav"))));
    verifyCanonicalWav(path(QStringLiteral("fix-out.wav")), 1, 44100, 16);
    QCOMPARE(fileBytes(path(QStringLiteral("fix-out.wav"))).mid(12), withJunk.mid(72));

    // A destination that cannot be written keeps the data.
    QVERIFY(writeFile(temp, withJunk));
    QVERIFY(!Ops::fixWavHeader(temp, path(QStringLiteral("no/such/folder/x.wav"))));
    QCOMPARE(fileBytes(temp), withJunk);
}

void TestAudioFileOperations::exportedCFunctions()
{
    const QString source = makeFixture(QStringLiteral("c api ü.wav"), 48000, 2, Encoding::Int24, 4800);
    const QByteArray src = source.toLocal8Bit();
    const QByteArray dst = path(QStringLiteral("c api out.wav")).toLocal8Bit();
    QCOMPARE(ConvertAudioFile(src.constData(), dst.constData(), 1, true, 16, 44100, nullptr), 0);
    verifyCanonicalWav(QString::fromLocal8Bit(dst), 1, 44100, 16);
    QCOMPARE(CopyAndAppendAudioFile(src.constData(), dst.constData(), 1, nullptr), 0);
    QCOMPARE(read(QString::fromLocal8Bit(dst)).frames(), 9600);
    QCOMPARE(LevelAudioFile(true, -3.0f, src.constData(), dst.constData(), nullptr), 0);
    QCOMPARE(LevelAudioFile(true, -3.0f, nullptr, dst.constData(), nullptr), 1);
}

QTEST_GUILESS_MAIN(TestAudioFileOperations)
#include "tst_audiofileoperations.moc"
