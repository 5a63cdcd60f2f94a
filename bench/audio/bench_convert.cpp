// ConvertAudioFile on a 10-minute 48 kHz 24-bit stereo WAV to the pedal's format
// (44.1 kHz 16-bit stereo WAV), against the sox command doing the same
// conversion, and the peak memory of a 10-minute against a 10-second file.
// Each conversion runs in a child process of its own so that its wall time and
// peak resident size are its alone.

#include "audio/saudioexports.h"
#include "benchsignal.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace BenchSignal;

namespace {

constexpr int kRate = 48000;

// Streams a 24-bit stereo WAV of noise-like music (two tones over noise) to disk.
bool writeSource(const QString& path, int seconds)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const quint32 frames = quint32(seconds) * kRate;
    const quint32 dataBytes = frames * 6;
    QByteArray header("RIFF");
    auto put32 = [&](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        header.append(c, 4);
    };
    auto put16 = [&](quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        header.append(c, 2);
    };
    put32(36 + dataBytes);
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(2);
    put32(kRate);
    put32(kRate * 6);
    put16(6);
    put16(24);
    header.append("data");
    put32(dataBytes);
    f.write(header);
    std::vector<float> l(kRate), r(kRate);
    QByteArray block(kRate * 6, Qt::Uninitialized);
    for (int s = 0; s < seconds; ++s) {
        noise(l, uint32_t(2 * s + 1), 0.1f);
        noise(r, uint32_t(2 * s + 2), 0.1f);
        for (int i = 0; i < kRate; ++i) {
            const double t = double(s) + double(i) / kRate;
            const float a = l[size_t(i)] + 0.4f * float(std::sin(2 * kPi * 440 * t));
            const float b = r[size_t(i)] + 0.4f * float(std::sin(2 * kPi * 1234.5 * t));
            const qint32 va = qint32(std::lround(a * 8388607)), vb = qint32(std::lround(b * 8388607));
            char* p = block.data() + i * 6;
            p[0] = char(va), p[1] = char(va >> 8), p[2] = char(va >> 16);
            p[3] = char(vb), p[4] = char(vb >> 8), p[5] = char(vb >> 16);
        }
        if (f.write(block) != block.size())
            return false;
    }
    return true;
}

struct Run
{
    bool ok;
    double wall;
    double maxRssMiB;
};

// Runs fn in a child process; its exit code 0 means success.
template <typename Fn>
Run inChild(Fn fn)
{
    std::fflush(stdout);
    const double t0 = wallSeconds();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, wallSeconds() - t0, double(usage.ru_maxrss) / 1024.0};
}

Run ours(const QString& source, const QString& destination)
{
    return inChild([&] {
        QFile::remove(destination);
        return ConvertAudioFile(source.toLocal8Bit().constData(), destination.toLocal8Bit().constData(), 2, false,
                                16, 44100, nullptr);
    });
}

Run sox(const QString& source, const QString& destination)
{
    return inChild([&] {
        QFile::remove(destination);
        const QByteArray s = source.toLocal8Bit(), d = destination.toLocal8Bit();
        // No dither: the same arithmetic work as ours.
        execlp("sox", "sox", "-q", "-D", s.constData(), "-b", "16", "-c", "2", d.constData(), "rate", "44100",
               static_cast<char*>(nullptr));
        _exit(127);
        return 127;
    });
}

} // namespace

int main()
{
    // The operations' log lines would interleave with the results.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // A private temporary folder, so a running program's working folder is left alone.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    const QString longSource = dir.filePath(QStringLiteral("ten-minutes.wav"));
    const QString shortSource = dir.filePath(QStringLiteral("ten-seconds.wav"));
    if (!writeSource(longSource, 600) || !writeSource(shortSource, 10)) {
        std::printf("could not write the sources\n");
        return 1;
    }
    const QString outOurs = dir.filePath(QStringLiteral("ours.wav"));
    const QString outSox = dir.filePath(QStringLiteral("sox.wav"));

    Run bestOurs{false, 1e9, 0}, bestSox{false, 1e9, 0};
    for (int i = 0; i < 3; ++i) {
        const Run a = ours(longSource, outOurs);
        const Run b = sox(longSource, outSox);
        if (!a.ok || !b.ok) {
            std::printf("conversion failed (ours %d, sox %d)\n", a.ok, b.ok);
            return 1;
        }
        bestOurs = a.wall < bestOurs.wall ? a : bestOurs;
        bestSox = b.wall < bestSox.wall ? b : bestSox;
    }
    const Run shortRun = ours(shortSource, dir.filePath(QStringLiteral("short.wav")));
    std::printf("10-minute 48 kHz 24-bit stereo -> 44.1 kHz 16-bit stereo: ours %.3f s (%.1f MiB peak), "
                "sox %.3f s (%.1f MiB peak); output %lld / %lld bytes\n",
                bestOurs.wall, bestOurs.maxRssMiB, bestSox.wall, bestSox.maxRssMiB,
                QFileInfo(outOurs).size(), QFileInfo(outSox).size());
    std::printf("10-second file: ours %.3f s, %.1f MiB peak\n", shortRun.wall, shortRun.maxRssMiB);

    const double ratio = bestOurs.wall / bestSox.wall;
    const double growth = bestOurs.maxRssMiB - shortRun.maxRssMiB;
    std::printf("GOAL convert_wall_time_vs_sox %.2f 1.5 %s\n", ratio, passFail(ratio <= 1.5));
    std::printf("GOAL convert_peak_memory_growth_mib %.1f 16 %s\n", growth, passFail(shortRun.ok && growth <= 16));
    return 0;
}
