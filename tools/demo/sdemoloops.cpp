#include "sdemoloops.h"

#include "device/sloopdocuments.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct DemoLoop
{
    const char* name;
    const char* artist;
    const char* genre;
    const char* rhythm;
    const char* stop;
    int style;
    double bpm;
    int rating;
};

const DemoLoop kInternal[] = {
    {"Morning Funk", "Demo Band", "Funk", "3-Click", "FadeOut", 0, 96.0, 4},
    {"Slow Blues Shuffle", "Demo Band", "Blues", "1-Wood Blocks", "StopAtEndOfLoop", 1, 72.0, 3},
    {"Drive Rock", "Demo Band", "Rock", "5-Studio Kick & Hat", "StopInstantly", 2, 120.0, 5},
    {"Four on the Floor", "Demo Band", "Electronic", "6-Techno Kick & Snare", "FadeOut", 3, 124.0, 2},
};
const DemoLoop kExternal[] = {
    {"Latin Groove", "Demo Band", "Latin", "8-Conga", "FadeOut", 1, 100.0, 3},
    {"Late Night Pad", "Demo Band", "Ambient", "OFF-Silent", "StopAtEndOfLoop", 4, 80.0, 4},
};

void writeHeader(QByteArray& out, quint32 dataBytes)
{
    auto put32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    auto put16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out.append("RIFF", 4);
    put32(36 + dataBytes);
    out.append("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(kRate);
    put32(kRate * 4);
    put16(4);
    put16(16);
    out.append("data", 4);
    put32(dataBytes);
}

// Short percussive voices, rendered into a stereo float buffer.
void addKick(std::vector<float>& left, std::vector<float>& right, std::size_t at, double gain)
{
    const std::size_t length = kRate / 4;
    double phase = 0.0;
    for (std::size_t i = 0; i < length && at + i < left.size(); ++i) {
        const double t = double(i) / kRate;
        phase += 2.0 * kPi * (45.0 + 90.0 * std::exp(-t * 30.0)) / kRate;
        const float v = float(gain * std::sin(phase) * std::exp(-t * 9.0));
        left[at + i] += v;
        right[at + i] += v;
    }
}

void addNoiseHit(std::vector<float>& left, std::vector<float>& right, std::size_t at, double gain, double decay,
                 double pan, QRandomGenerator& random)
{
    const std::size_t length = kRate / 3;
    double last = 0.0;
    for (std::size_t i = 0; i < length && at + i < left.size(); ++i) {
        const double t = double(i) / kRate;
        const double white = random.generateDouble() * 2.0 - 1.0;
        const double bright = white - last; // first difference: brighter noise
        last = white;
        const double v = gain * bright * std::exp(-t * decay);
        left[at + i] += float(v * (1.0 - pan));
        right[at + i] += float(v * (1.0 + pan));
    }
}

void addTone(std::vector<float>& left, std::vector<float>& right, std::size_t at, std::size_t length, double hz,
             double gain, double pan)
{
    for (std::size_t i = 0; i < length && at + i < left.size(); ++i) {
        const double t = double(i) / kRate;
        const double envelope = std::min(1.0, t * 200.0) * std::exp(-t * 3.0);
        const double v = gain * envelope * (std::sin(2 * kPi * hz * t) + 0.3 * std::sin(4 * kPi * hz * t));
        left[at + i] += float(v * (1.0 - pan));
        right[at + i] += float(v * (1.0 + pan));
    }
}
} // namespace

bool SDemoLoops::writeGroove(const QString& path, int style, double bpm, int bars)
{
    const double beat = 60.0 / bpm;
    const std::size_t frames = std::size_t(std::llround(bars * 4 * beat * kRate));
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    QRandomGenerator random(quint32(style * 7919 + int(bpm)));
    const double bassNotes[] = {55.0, 55.0, 65.41, 73.42, 82.41, 73.42, 65.41, 61.74};

    for (int step = 0; step < bars * 16; ++step) {
        const std::size_t at = std::size_t(std::llround(step * beat / 4.0 * kRate));
        const int inBar = step % 16;
        const bool swingOff = style == 1 && (inBar % 4) == 2;
        const std::size_t when = swingOff ? at + std::size_t(beat / 12.0 * kRate) : at;
        switch (style) {
        case 3: // four on the floor
            if (inBar % 4 == 0)
                addKick(left, right, when, 0.8);
            if (inBar % 4 == 2)
                addNoiseHit(left, right, when, 0.12, 40.0, 0.3, random);
            if (inBar == 4 || inBar == 12)
                addNoiseHit(left, right, when, 0.35, 14.0, -0.1, random);
            break;
        case 4: // pad with a soft pulse
            if (inBar == 0)
                addTone(left, right, when, std::size_t(4 * beat * kRate), bassNotes[(step / 16) % 8] * 2, 0.18, -0.3);
            if (inBar % 8 == 0)
                addTone(left, right, when, std::size_t(2 * beat * kRate), bassNotes[(step / 8) % 8] * 3, 0.1, 0.4);
            break;
        default: // backbeat grooves
            if (inBar == 0 || inBar == 10 || (style == 0 && inBar == 7))
                addKick(left, right, when, 0.8);
            if (inBar == 4 || inBar == 12)
                addNoiseHit(left, right, when, 0.4, 12.0, 0.1, random);
            if (inBar % 2 == 0 || style == 2)
                addNoiseHit(left, right, when, 0.08, 60.0, -0.4, random);
            break;
        }
        if (style != 4 && inBar % 4 == 0)
            addTone(left, right, when, std::size_t(beat * kRate * 0.9), bassNotes[(step / 4) % 8], 0.28, 0.0);
    }

    float peak = 0.0f;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    const float scale = peak > 0.0f ? 0.8f / peak : 0.0f;

    QByteArray out;
    out.reserve(int(44 + frames * 4));
    writeHeader(out, quint32(frames * 4));
    for (std::size_t i = 0; i < frames; ++i) {
        char b[4];
        qToLittleEndian(qint16(std::lrint(left[i] * scale * 32767.0f)), b);
        qToLittleEndian(qint16(std::lrint(right[i] * scale * 32767.0f)), b + 2);
        out.append(b, 4);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(out) == out.size();
}

bool SDemoLoops::populate(const QString& internalRoot, const QString& externalRoot, const QString& deviceName)
{
    stDeviceData device;
    device.name = deviceName;
    auto fill = [&](const QString& root, const DemoLoop* loops, int count) {
        for (int i = 0; i < count; ++i) {
            const DemoLoop& demo = loops[i];
            const quint32 slot = quint32(i + 1);
            const QString folder = root + QStringLiteral("/Patch") + SLoopDocuments::slotNumberText(slot);
            const QString phraseFolder = folder + QStringLiteral("/PhraseA");
            if (!QDir().mkpath(phraseFolder))
                return false;
            if (!writeGroove(phraseFolder + QStringLiteral("/phrase.wav"), demo.style, demo.bpm, 4))
                return false;
            stLoop loop;
            loop.name = QString::fromUtf8(demo.name);
            loop.artist = QString::fromUtf8(demo.artist);
            loop.genre = QString::fromUtf8(demo.genre);
            loop.description = QStringLiteral("Demo loop");
            loop.rhythmType = QString::fromUtf8(demo.rhythm);
            loop.stopMode = QString::fromUtf8(demo.stop);
            loop.rating = demo.rating;
            loop.beatsPerMinute = float(demo.bpm);
            loop.beatsPerMeasure = 4;
            loop.loop = true;
            loop.settingsVersion = 1;
            loop.audioVersion = 1;
            loop.loopNumber = slot;
            // Stable identifiers, so that a demo pedal looks the same at every start.
            loop.patchId = QUuid::createUuidV5(QUuid(), QString::fromUtf8(demo.name)).toString(QUuid::WithoutBraces);
            loop.originId = loop.patchId;
            if (!SLoopDocuments::writePatchDocument(device, loop, folder) ||
                !SLoopDocuments::writePhraseDocument(device, loop, phraseFolder))
                return false;
        }
        return true;
    };
    return fill(internalRoot, kInternal, int(std::size(kInternal))) &&
           (externalRoot.isEmpty() || fill(externalRoot, kExternal, int(std::size(kExternal))));
}
