#include "audiofixtures.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace AudioFixtures {

namespace {
constexpr double kPi = 3.14159265358979323846;

juce::File juceFile(const QString& path)
{
    return juce::File(juce::String::fromUTF8(QFileInfo(path).absoluteFilePath().toUtf8().constData()));
}

void put16(QByteArray& b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

void put32(QByteArray& b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
} // namespace

std::vector<float> tone(int frames, double freq, double rate, double amplitude)
{
    std::vector<float> v(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        v[size_t(i)] = float(amplitude * std::sin(2 * kPi * freq * i / rate));
    return v;
}

std::vector<float> sweep(int frames, double from, double to, double rate, double amplitude)
{
    std::vector<float> v(static_cast<size_t>(frames));
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        v[size_t(i)] = float(amplitude * std::sin(phase));
        phase += 2 * kPi * (from + (to - from) * i / std::max(1, frames)) / rate;
    }
    return v;
}

std::vector<float> noise(int frames, double amplitude, unsigned seed)
{
    QRandomGenerator rng(seed);
    std::vector<float> v(static_cast<size_t>(frames));
    for (float& x : v)
        x = float((rng.generateDouble() * 2 - 1) * amplitude);
    return v;
}

QByteArray wavBytes(const Channels& data, int rate, Encoding encoding, bool extensible, long long claimedFrames)
{
    const int channels = int(data.size());
    const int frames = channels ? int(data.front().size()) : 0;
    const int bits = encoding == Encoding::Int8 ? 8 : encoding == Encoding::Int16 ? 16 : encoding == Encoding::Int24 ? 24 : 32;
    const int blockAlign = channels * bits / 8;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double x = std::clamp(double(data[size_t(c)][size_t(i)]), -1.0, 1.0);
            switch (encoding) {
            case Encoding::Int8:
                samples.append(char(quint8(std::lround(x * 127) + 128)));
                break;
            case Encoding::Int16:
                put16(samples, quint16(qint16(std::lround(x * 32767))));
                break;
            case Encoding::Int24: {
                const qint32 v = qint32(std::lround(x * 8388607));
                samples.append(char(v & 0xff)).append(char((v >> 8) & 0xff)).append(char((v >> 16) & 0xff));
                break;
            }
            case Encoding::Int32:
                put32(samples, quint32(qint32(std::llround(x * 2147483647.0))));
                break;
            case Encoding::Float32: {
                const float f = float(x);
                quint32 u;
                std::memcpy(&u, &f, 4);
                put32(samples, u);
                break;
            }
            }
        }
    }
    const bool isFloat = encoding == Encoding::Float32;
    QByteArray fmt;
    put16(fmt, extensible ? 0xfffe : (isFloat ? 3 : 1));
    put16(fmt, quint16(channels));
    put32(fmt, quint32(rate));
    put32(fmt, quint32(rate * blockAlign));
    put16(fmt, quint16(blockAlign));
    put16(fmt, quint16(bits));
    if (extensible) {
        put16(fmt, 22);
        put16(fmt, quint16(bits));
        put32(fmt, channels == 1 ? 0x4 : 0x3);
        put32(fmt, isFloat ? 3 : 1);
        fmt.append("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12);
    }
    QByteArray out("RIFF");
    const quint32 dataSize = claimedFrames >= 0 ? quint32(std::min<long long>(claimedFrames * blockAlign, 0xfffffff0LL))
                                                : quint32(samples.size());
    put32(out, quint32(4 + 8 + fmt.size() + 8 + samples.size() + (samples.size() & 1)));
    out.append("WAVE").append("fmt ");
    put32(out, quint32(fmt.size()));
    out.append(fmt).append("data");
    put32(out, dataSize);
    out.append(samples);
    if (samples.size() & 1)
        out.append('\0');
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writeWithJuce(const QString& path, const Channels& data, int rate, int bits)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    const juce::File file = juceFile(path);
    file.deleteFile();
    juce::AudioFormat* format = formats.findFormatForFileExtension(file.getFileExtension());
    if (!format)
        return false;
    auto stream = file.createOutputStream();
    if (!stream)
        return false;
    std::unique_ptr<juce::AudioFormatWriter> writer(
        format->createWriterFor(stream.get(), rate, unsigned(data.size()), bits, {}, format->getQualityOptions().size() - 1));
    if (!writer)
        return false;
    stream.release();
    std::vector<const float*> ptrs;
    for (const auto& ch : data)
        ptrs.push_back(ch.data());
    return writer->writeFromFloatArrays(ptrs.data(), int(ptrs.size()), int(data.front().size()));
}

Audio read(const QString& path)
{
    Audio a;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(juceFile(path)));
    if (!reader)
        return a;
    a.rate = reader->sampleRate;
    a.bits = int(reader->bitsPerSample);
    a.isFloat = reader->usesFloatingPointData;
    juce::AudioBuffer<float> buffer(int(reader->numChannels), int(reader->lengthInSamples));
    reader->read(&buffer, 0, int(reader->lengthInSamples), 0, true, true);
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        a.data.emplace_back(buffer.getReadPointer(c), buffer.getReadPointer(c) + buffer.getNumSamples());
    a.ok = true;
    return a;
}

double rms(const std::vector<float>& v, size_t from, size_t to)
{
    double s = 0;
    for (size_t i = from; i < to; ++i)
        s += double(v[i]) * v[i];
    return std::sqrt(s / double(std::max<size_t>(1, to - from)));
}

double peak(const std::vector<float>& v)
{
    double p = 0;
    for (float x : v)
        p = std::max(p, double(std::fabs(x)));
    return p;
}

} // namespace AudioFixtures
