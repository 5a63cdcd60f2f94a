#include "audio/saudiofileoperations.h"

#include "audio/fixedrateconverter120db.h"
#include "core/sglobals.h"
#include "core/slog.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

using Result = SAudioFileOperations::E_RESULT;

juce::File juceFile(const QString& path)
{
    return juce::File(juce::String::fromUTF8(QFileInfo(path).absoluteFilePath().toUtf8().constData()));
}

juce::String juceText(const QString& text)
{
    return juce::String::fromUTF8(text.toUtf8().constData());
}

bool isWavExtension(const QString& extension)
{
    return extension.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

int percentOf(qint64 done, qint64 total)
{
    if (total <= 0)
        return 100;
    if (done <= std::numeric_limits<qint64>::max() / 100)
        return static_cast<int>(done * 100 / total);
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

void registerFormats(juce::AudioFormatManager& formats)
{
    formats.registerFormat(new juce::WavAudioFormat(), true);
    formats.registerFormat(new juce::AiffAudioFormat(), false);
    formats.registerFormat(new juce::FlacAudioFormat(), false);
    formats.registerFormat(new juce::OggVorbisAudioFormat(), false);
#if JUCE_WINDOWS && JUCE_USE_WINDOWS_MEDIA_FORMAT
    formats.registerFormat(new juce::WindowsMediaAudioFormat(), false);
#endif
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// Copies a finished temporary file to the destination, dropping the JUNK chunk
// that the WAV writer reserves after "WAVE" when dropJunk is set. The
// destination is replaced atomically; on any failure it is left as it was and
// the temporary file is kept.
bool copyIntoPlace(const QString& temporaryPath, const QString& destination, bool dropJunk)
{
    QFile temp(temporaryPath);
    if (!temp.open(QIODevice::ReadOnly)) {
        SLOG_WARN("Couldn't open file succesfully: %s", qUtf8Printable(temporaryPath));
        return false;
    }
    QByteArray header;
    if (dropJunk) {
        const QByteArray start = temp.read(20);
        if (start.size() == 20 && start.startsWith("RIFF") && start.mid(8, 4) == "WAVE") {
            SLOG_DEBUG("Byte array Data: %s", qUtf8Printable(hex(start)));
            SLOG_DEBUG("Left 8 Bytes Data: %s", qUtf8Printable(hex(start.left(8))));
            SLOG_DEBUG("middle 8 Bytes Data: %s", qUtf8Printable(hex(start.mid(8, 4))));
            qint64 skip = 0;
            if (start.mid(12, 4) == "JUNK") {
                const quint32 size = qFromLittleEndian<quint32>(start.constData() + 16);
                // The writer reserves 52 bytes (28 with an extensible format chunk).
                if ((size == 52 || size == 28) && 20 + qint64(size) + 8 <= temp.size()) {
                    skip = 8 + qint64(size);
                    SLOG_DEBUG("junk Bytes Data: %s", qUtf8Printable(hex(start.mid(12, 8))));
                }
            }
            const qint64 riffSize = temp.size() - skip - 8;
            if (riffSize <= qint64(std::numeric_limits<quint32>::max())) {
                header = start.left(12);
                qToLittleEndian<quint32>(static_cast<quint32>(riffSize), header.data() + 4);
                SLOG_DEBUG("New File size bytearray %s", qUtf8Printable(hex(header.mid(4, 4))));
                SLOG_DEBUG("New data in QByteArray %s", qUtf8Printable(hex(header)));
                temp.seek(12 + skip);
            }
        }
        if (header.isEmpty())
            temp.seek(0);
    }

    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        SLOG_WARN("FILE CAN'T BE OPENED: %s (%s)", qUtf8Printable(destination), qUtf8Printable(out.errorString()));
        return false;
    }
    bool ok = header.isEmpty() || out.write(header) == header.size();
    while (ok) {
        const QByteArray piece = temp.read(16384);
        if (piece.isEmpty()) {
            if (!temp.atEnd()) {
                SLOG_WARN("Error occurred while reading the file %s", qUtf8Printable(temporaryPath));
                ok = false;
            }
            break;
        }
        ok = out.write(piece) == piece.size();
    }
    if (!ok || !out.commit()) {
        SLOG_WARN("Couldn't write %s (%s); the audio stays in %s", qUtf8Printable(destination),
                  qUtf8Printable(out.errorString()), qUtf8Printable(temporaryPath));
        out.cancelWriting();
        return false;
    }
    temp.close();
    const bool removed = temp.remove();
    SLOG_DEBUG("Removal of temp file : %d", removed);
    return true;
}

// One operation's reader, writer and temporary file. Everything it made is
// freed once, and a temporary file that did not reach the destination is
// deleted, whichever way the operation ends.
class AudioJob
{
public:
    explicit AudioJob(SAudioFileOperations::ProgressCallback callback)
        : m_callback(callback)
    {
        registerFormats(m_formats);
    }

    ~AudioJob()
    {
        m_writer.reset();
        m_reader.reset();
        if (!m_temporary.isEmpty() && !m_keepTemporary)
            QFile::remove(m_temporary);
        m_formats.clearFormats();
    }

    AudioJob(const AudioJob&) = delete;
    AudioJob& operator=(const AudioJob&) = delete;

    int open(const QString& source, const QString& destination)
    {
        const QFileInfo sourceInfo(source);
        if (source.isEmpty() || !sourceInfo.isFile()) {
            SLOG_WARN("Source file doesn't exist: %s", qUtf8Printable(source));
            return Result::E_RESULT_SOURCE_MISSING;
        }
        const QString sourceExtension = sourceInfo.suffix();
        if (sourceExtension.isEmpty() || !m_formats.findFormatForFileExtension(juceText(sourceExtension))) {
            SLOG_WARN("No audio format for %s", qUtf8Printable(source));
            return Result::E_RESULT_NO_FORMAT;
        }
        m_reader.reset(m_formats.createReaderFor(juceFile(source)));
        if (!m_reader) {
            SLOG_WARN("No reader for %s", qUtf8Printable(source));
            return Result::E_RESULT_NO_READER;
        }
        if (m_reader->bitsPerSample == 0) {
            SLOG_WARN("Source reports 0 bits per sample: %s", qUtf8Printable(source));
            return Result::E_RESULT_NO_FORMAT;
        }
        const double rate = m_reader->sampleRate;
        if (m_reader->numChannels == 0 || m_reader->numChannels > unsigned(SAudioFileOperations::kMaxChannels)
            || !std::isfinite(rate) || rate < 1.0 || m_reader->lengthInSamples < 0) {
            SLOG_WARN("Unusable audio header (%u channels, %f Hz): %s", m_reader->numChannels, rate,
                      qUtf8Printable(source));
            return Result::E_RESULT_NO_READER;
        }
        m_length = m_reader->lengthInSamples;
        // An uncompressed file cannot hold more frames than its bytes allow: a
        // truncated file or a lying header must not make us write silence for ever.
        const juce::String format = m_reader->getFormatName();
        const qint64 bytesPerFrame = qint64(m_reader->numChannels) * m_reader->bitsPerSample / 8;
        if ((format == "WAV file" || format == "AIFF file") && bytesPerFrame > 0
            && m_length > sourceInfo.size() / bytesPerFrame) {
            SLOG_WARN("Header claims %lld frames, the file holds at most %lld: %s", m_length,
                      sourceInfo.size() / bytesPerFrame, qUtf8Printable(source));
            m_length = sourceInfo.size() / bytesPerFrame;
        }

        m_source = source;
        m_destination = destination;
        m_destinationExtension = QFileInfo(destination).suffix();
        m_destinationFormat = m_destinationExtension.isEmpty()
                                  ? nullptr
                                  : m_formats.findFormatForFileExtension(juceText(m_destinationExtension));
        if (!m_destinationFormat) {
            SLOG_WARN("No audio format for %s", qUtf8Printable(destination));
            m_reader.reset();
            return Result::E_RESULT_NO_FORMAT;
        }
        return Result::E_RESULT_SUCCESS;
    }

    // Writes go to a temporary file in the Convert folder; finish() moves it to
    // the destination, so a failed or cancelled operation leaves the destination
    // untouched and nothing behind.
    int createOutput(double rate, int channels, int bits, const juce::StringPairArray& metadata)
    {
        const QFileInfo destinationFolder(QFileInfo(m_destination).absolutePath());
        if (!destinationFolder.isDir() || !destinationFolder.isWritable()) {
            SLOG_WARN("Can't write into %s", qUtf8Printable(destinationFolder.filePath()));
            return Result::E_RESULT_NO_OUTPUT_STREAM;
        }
        const QString folder = SAudioFileOperations::convertFolder();
        QDir().mkpath(folder);
        const QString suffix = QLatin1Char('.') + m_destinationExtension;
        QString path = folder + QLatin1String("/tempFile") + suffix;
        for (int i = 1; QFileInfo::exists(path) || sameFile(path, m_destination); ++i)
            path = folder + QStringLiteral("/tempFile-%1").arg(i) + suffix;

        auto stream = std::make_unique<juce::FileOutputStream>(juceFile(path), SAudioFileOperations::kBlockSize);
        if (!stream->openedOk()) {
            SLOG_WARN("Couldn't create %s", qUtf8Printable(path));
            return Result::E_RESULT_NO_OUTPUT_STREAM;
        }
        m_temporary = path;
        if (channels <= 0 || bits <= 0 || !(rate >= 1.0)) {
            SLOG_WARN("No writer for %d channels, %d bits, %f Hz", channels, bits, rate);
            return Result::E_RESULT_NO_FORMAT;
        }
        m_writer.reset(m_destinationFormat->createWriterFor(stream.get(), rate, unsigned(channels), bits, metadata, 0));
        if (!m_writer) {
            SLOG_WARN("No writer for %d channels, %d bits, %f Hz: %s", channels, bits, rate,
                      qUtf8Printable(m_destination));
            return Result::E_RESULT_NO_FORMAT;
        }
        stream.release(); // the writer owns it now
        return Result::E_RESULT_SUCCESS;
    }

    bool write(const float* const* channels, int numChannels, int samples)
    {
        if (samples <= 0)
            return true;
        if (m_writer->writeFromFloatArrays(channels, numChannels, samples))
            return true;
        SLOG_WARN("Writing %s failed", qUtf8Printable(m_temporary));
        return false;
    }

    // False when the callback asks to stop.
    bool keepGoing(qint64 done, qint64 total) const
    {
        return !m_callback || m_callback(percentOf(done, total));
    }

    int cancelled()
    {
        SLOG_DEBUG("Cancelled: %s", qUtf8Printable(m_destination));
        return Result::E_RESULT_CANCELLED;
    }

    int finish()
    {
        m_writer.reset(); // flushes and finalises the file
        m_reader.reset();
        if (!copyIntoPlace(m_temporary, m_destination, isWavExtension(m_destinationExtension))) {
            m_keepTemporary = QFileInfo::exists(m_temporary);
            return Result::E_RESULT_NO_OUTPUT_STREAM;
        }
        m_temporary.clear();
        return Result::E_RESULT_SUCCESS;
    }

    juce::AudioFormatReader& reader() { return *m_reader; }
    qint64 length() const { return m_length; }

private:
    SAudioFileOperations::ProgressCallback m_callback;
    juce::AudioFormatManager m_formats;
    std::unique_ptr<juce::AudioFormatReader> m_reader;
    std::unique_ptr<juce::AudioFormatWriter> m_writer;
    juce::AudioFormat* m_destinationFormat = nullptr;
    qint64 m_length = 0;
    QString m_source;
    QString m_destination;
    QString m_destinationExtension;
    QString m_temporary;
    bool m_keepTemporary = false;
};

} // namespace

QString SAudioFileOperations::convertFolder()
{
    return SGlobals::workingFolder() + QLatin1String("/Convert");
}

bool SAudioFileOperations::fixWavHeader(const QString& temporaryPath, const QString& destination)
{
    SLOG_SCOPE();
    return copyIntoPlace(temporaryPath, destination, true);
}

bool SAudioFileOperations::isMonoModel(const QString& modelName)
{
    return modelName == QLatin1String("Ostino Alto");
}

int SAudioFileOperations::convert(const QString& source, const QString& destination, int channels, bool mixToMono,
                                  int bitsPerSample, int sampleRate, ProgressCallback callback)
{
    SLOG_SCOPE();
    SLOG_DEBUG("source: %s, destination: %s, channels: %d, mix: %d, bits: %d, rate: %d", qUtf8Printable(source),
               qUtf8Printable(destination), channels, mixToMono, bitsPerSample, sampleRate);
    AudioJob job(callback);
    if (const int result = job.open(source, destination))
        return result;
    juce::AudioFormatReader& reader = job.reader();
    const int sourceChannels = int(reader.numChannels);
    if (channels < 0 || channels > kMaxChannels || sampleRate < 0) {
        SLOG_WARN("Unsupported output: %d channels, %d Hz", channels, sampleRate);
        return E_RESULT_NO_FORMAT;
    }
    const int outChannels = channels == 0 ? sourceChannels : channels;
    const int outBits = channels == 0 ? int(reader.bitsPerSample) : bitsPerSample;
    const double outRate = sampleRate == 0 ? reader.sampleRate : double(sampleRate);
    const float ratio = static_cast<float>(outRate / reader.sampleRate);
    if (ratio != 1.0f && !FixedRateConverter120dB::isSupportedRatio(ratio)) {
        SLOG_WARN("Unsupported rate conversion %f Hz -> %f Hz", reader.sampleRate, outRate);
        return E_RESULT_NO_FORMAT;
    }
    if (const int result = job.createOutput(outRate, outChannels, outBits, {}))
        return result;

    const bool mix = mixToMono && outChannels == 1 && sourceChannels >= 2;
    // Surplus source channels are not written, so they need no conversion.
    const int converted = mix ? 1 : std::min(sourceChannels, outChannels);
    const bool resample = ratio != 1.0f;
    const int inBlock = ratio > 1.0f ? std::max(1, int(float(kBlockSize) / ratio)) : kBlockSize;
    std::vector<std::unique_ptr<FixedRateConverter120dB>> converters;
    int outCapacity = inBlock;
    if (resample) {
        for (int c = 0; c < converted; ++c)
            converters.push_back(std::make_unique<FixedRateConverter120dB>(ratio));
        outCapacity = int(converters.front()->maxOutput(unsigned(inBlock)));
    }
    juce::AudioBuffer<float> in(sourceChannels, inBlock);
    juce::AudioBuffer<float> out(resample ? converted : 0, resample ? outCapacity : 0);
    const std::vector<float> silence(outChannels > converted ? size_t(std::max(inBlock, outCapacity)) : 0, 0.0f);
    std::vector<const float*> channelData(size_t(outChannels), silence.data());

    const qint64 length = job.length();
    for (qint64 position = 0; position < length;) {
        const int n = int(std::min<qint64>(inBlock, length - position));
        reader.read(&in, 0, n, position, true, true);
        if (mix) {
            for (int c = 1; c < sourceChannels; ++c)
                in.addFrom(0, 0, in, c, 0, n);
            in.applyGain(0, 0, n, 1.0f / float(sourceChannels));
        }
        int produced = n;
        if (resample) {
            for (int c = 0; c < converted; c += 2) {
                if (c + 1 < converted)
                    produced = FixedRateConverter120dB::processPair(
                        *converters[size_t(c)], *converters[size_t(c) + 1], in.getReadPointer(c),
                        in.getReadPointer(c + 1), unsigned(n), out.getWritePointer(c), out.getWritePointer(c + 1));
                else
                    produced = converters[size_t(c)]->process(in.getReadPointer(c), unsigned(n),
                                                              out.getWritePointer(c));
            }
        }
        for (int c = 0; c < converted; ++c)
            channelData[size_t(c)] = resample ? out.getReadPointer(c) : in.getReadPointer(c);
        if (!job.write(channelData.data(), outChannels, produced))
            return E_RESULT_NO_OUTPUT_STREAM;
        position += n;
        if (!job.keepGoing(position, length))
            return job.cancelled();
    }
    return job.finish();
}

int SAudioFileOperations::copyAndAppend(const QString& source, const QString& destination, int extraCopies,
                                        ProgressCallback callback)
{
    SLOG_SCOPE();
    SLOG_DEBUG("source: %s, destination: %s, extra copies: %d", qUtf8Printable(source), qUtf8Printable(destination),
               extraCopies);
    AudioJob job(callback);
    if (const int result = job.open(source, destination))
        return result;
    juce::AudioFormatReader& reader = job.reader();
    const int channels = int(reader.numChannels);
    if (const int result = job.createOutput(reader.sampleRate, channels, int(reader.bitsPerSample),
                                            reader.metadataValues))
        return result;

    const qint64 length = job.length();
    const int fade = int(reader.sampleRate) * 12 / 1000;
    if (extraCopies >= 0 && length > 0) {
        const qint64 total = (qint64(extraCopies) + 1) * length;
        juce::AudioBuffer<float> buffer(channels, kBlockSize);
        for (int copy = 0; copy <= extraCopies; ++copy) {
            for (qint64 position = 0; position < length;) {
                const int n = int(std::min<qint64>(kBlockSize, length - position));
                reader.read(&buffer, 0, n, position, true, true);
                const int g = std::min(fade, n);
                for (int c = 0; c < channels && g > 0; ++c) {
                    float* data = buffer.getWritePointer(c);
                    if (copy > 0 && position == 0)
                        for (int k = 0; k < g; ++k)
                            data[k] *= float(k) / float(g);
                    if (copy < extraCopies && position + n == length)
                        for (int k = 0; k < g; ++k)
                            data[n - g + k] *= 1.0f - float(k) / float(g);
                }
                if (!job.write(buffer.getArrayOfReadPointers(), channels, n))
                    return E_RESULT_NO_OUTPUT_STREAM;
                position += n;
                if (!job.keepGoing(copy * length + position, total))
                    return job.cancelled();
            }
        }
    }
    return job.finish();
}

int SAudioFileOperations::level(bool attenuate, float decibels, const QString& source, const QString& destination,
                                ProgressCallback callback)
{
    SLOG_SCOPE();
    SLOG_DEBUG("attenuate: %d, decibels: %f, source: %s, destination: %s", attenuate, double(decibels),
               qUtf8Printable(source), qUtf8Printable(destination));
    AudioJob job(callback);
    if (const int result = job.open(source, destination))
        return result;
    juce::AudioFormatReader& reader = job.reader();
    const int channels = int(reader.numChannels);
    const qint64 length = job.length();

    float gain = std::pow(10.0f, decibels / 20.0f);
    if (!attenuate) {
        // The largest absolute value, negative peaks included, so that the result
        // never clips.
        std::vector<juce::Range<float>> ranges(static_cast<size_t>(channels));
        reader.readMaxLevels(0, length, ranges.data(), channels);
        float peak = 0.0f;
        for (const auto& range : ranges)
            peak = std::max({peak, std::fabs(range.getStart()), std::fabs(range.getEnd())});
        gain = peak > 0.0f ? gain / peak : 1.0f;
        SLOG_DEBUG("peak: %f, gain: %f", double(peak), double(gain));
    }
    if (!std::isfinite(gain)) {
        SLOG_WARN("Unusable level %f dB", double(decibels));
        return E_RESULT_NO_FORMAT;
    }
    if (const int result = job.createOutput(reader.sampleRate, channels, int(reader.bitsPerSample),
                                            reader.metadataValues))
        return result;

    juce::AudioBuffer<float> buffer(channels, kBlockSize);
    for (qint64 position = 0; position < length;) {
        const int n = int(std::min<qint64>(kBlockSize, length - position));
        reader.read(&buffer, 0, n, position, true, true);
        for (int c = 0; c < channels; ++c) {
            if (gain == 0.0f)
                buffer.clear(c, 0, n);
            else if (gain != 1.0f)
                juce::FloatVectorOperations::multiply(buffer.getWritePointer(c), gain, n);
        }
        if (!job.write(buffer.getArrayOfReadPointers(), channels, n))
            return E_RESULT_NO_OUTPUT_STREAM;
        position += n;
        if (!job.keepGoing(position, length))
            return job.cancelled();
    }
    return job.finish();
}

int SAudioFileOperations::convertToDeviceFormat(const QString& source, QString& outputPath, bool mono)
{
    SLOG_SCOPE();
    const QFileInfo sourceInfo(source);
    if (source.isEmpty() || !sourceInfo.isFile()) {
        SLOG_WARN("Source file doesn't exist: %s", qUtf8Printable(source));
        return E_RESULT_SOURCE_MISSING;
    }
    const QString extension = sourceInfo.suffix().toLower();
    std::unique_ptr<juce::AudioFormat> format;
    if (extension == QLatin1String("wav"))
        format = std::make_unique<juce::WavAudioFormat>();
    else if (extension == QLatin1String("aif") || extension == QLatin1String("aiff"))
        format = std::make_unique<juce::AiffAudioFormat>();
    else if (extension == QLatin1String("ogg"))
        format = std::make_unique<juce::OggVorbisAudioFormat>();
    else {
        SLOG_WARN("Not a loop audio file: %s", qUtf8Printable(source));
        return E_RESULT_NO_FORMAT;
    }
    std::unique_ptr<juce::FileInputStream> stream = juceFile(source).createInputStream();
    std::unique_ptr<juce::AudioFormatReader> reader;
    if (stream && stream->openedOk()) // the reader, or the failed attempt, deletes the stream
        reader.reset(format->createReaderFor(stream.release(), true));
    if (!reader) {
        // Unreadable audio is an error, never "already in the pedal's format".
        SLOG_WARN("No reader for %s", qUtf8Printable(source));
        return E_RESULT_NO_READER;
    }

    const QString folder = convertFolder();
    QString output = folder + QLatin1Char('/') + sourceInfo.completeBaseName() + QLatin1String(".wav");
    // A source that lies in the Convert folder itself must not be replaced.
    for (int i = 1; sameFile(output, source); ++i)
        output = folder + QLatin1Char('/') + sourceInfo.completeBaseName() + QStringLiteral("-%1.wav").arg(i);
    QFile::remove(output);
    QDir().mkpath(folder);
    outputPath = output;

    const unsigned targetChannels = mono ? 1 : 2;
    if (extension == QLatin1String("wav") && reader->numChannels == targetChannels
        && reader->bitsPerSample == unsigned(kDeviceBitsPerSample) && !reader->usesFloatingPointData
        && reader->sampleRate == double(kDeviceSampleRate)) {
        outputPath.clear();
        return E_RESULT_SUCCESS;
    }
    reader.reset();
    return convert(source, output, int(targetChannels), false, kDeviceBitsPerSample, kDeviceSampleRate, nullptr);
}
