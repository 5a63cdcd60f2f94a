// bench-transfer: puts and gets a 32 MiB file through the virtual pedal over a
// pseudo-terminal and compares each direction with a bare stop-and-wait exchange
// of the same message sizes over the same line (no protocol code on either end),
// which is the most the link allows. Also checks that the memory a transfer
// needs does not grow with the file.
//
// Ends with GOAL lines: client throughput as a fraction of the bare exchange in
// each direction (median over the rounds, target 0.9) with the virtual pedal on a
// CPU of its own, as a real pedal has its own processor, and the extra peak
// memory of a 32 MiB transfer over a 1 MiB one (target 8 MiB). The figures with
// pedal and program sharing the CPUs are printed too.

#include "device/ambermeshclient.h"
#include "sbareexchange.h"
#include "spedalsimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace {
constexpr qint64 mib = 1024 * 1024;
constexpr qint64 largeSize = 32 * mib;
constexpr int block = 8169;
constexpr int header = 6;
// Whole messages of a block transfer: FileWrite request with a full block and
// its Success answer; FileRead request and its answer with a full block.
constexpr int writeRequest = header + 4 + 8 + 4 + block;
constexpr int writeAnswer = header + 4;
constexpr int readRequest = header + 4 + 8 + 4;
constexpr int readAnswer = header + 4 + 8 + 4 + block;
constexpr int rounds = 5;

void quiet(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type >= QtWarningMsg)
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
}

bool makeFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(qsizetype(mib), Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
    for (qint64 done = 0; done < size; done += chunk.size()) {
        if (file.write(chunk.constData(), qMin<qint64>(chunk.size(), size - done)) < 0)
            return false;
    }
    return true;
}

bool sameContent(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(mib) != fb.read(mib))
            return false;
    }
    return true;
}

// Peak resident memory in KiB since the last reset.
qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

double mibPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return double(bytes) / double(mib) / (double(nanoseconds) / 1e9);
}

void pinCurrentThread(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    const int count = int(std::thread::hardware_concurrency());
    for (int i = 0; i < count; ++i) {
        if (cpu < 0 || i == cpu)
            CPU_SET(i, &set);
    }
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

struct Figures
{
    bool ok = false;
    qint64 put = 0; // best times in ns
    qint64 get = 0;
    qint64 barePut = 0;
    qint64 bareGet = 0;
    double putRatio = 0; // median over the rounds of bare time / client time
    double getRatio = 0;
};

// Each round times the four runs back to back, so a round's ratios compare runs
// made under the same load from whatever else the machine is doing.
Figures timeRounds(AmbermeshClient& client, SPedalSimulator& pedal, int fd, const QString& largeFile,
                   const QString& remote, const QString& copy, int blocks)
{
    Figures f;
    f.put = f.get = f.barePut = f.bareGet = std::numeric_limits<qint64>::max();
    QList<double> putRatios;
    QList<double> getRatios;
    // One client transfer and the bare exchange of its message sizes; false when either failed.
    const auto timePair = [&](const std::function<bool()>& transfer, int requestSize, int answerSize, qint64* ours,
                              qint64* bare) {
        QElapsedTimer timer;
        timer.start();
        if (!transfer())
            return false;
        *ours = timer.nsecsElapsed();
        pedal.setBareExchange(requestSize, answerSize);
        timer.start();
        const bool ok = SBareExchange::run(fd, requestSize, answerSize, blocks);
        *bare = timer.nsecsElapsed();
        pedal.setBareExchange(0, 0);
        return ok;
    };
    for (int round = 0; round < rounds; ++round) {
        qint64 put = 0, barePut = 0, get = 0, bareGet = 0;
        if (!timePair([&] { return client.putFile(largeFile, remote, nullptr) == 0; }, writeRequest, writeAnswer, &put,
                      &barePut)
            || !timePair([&] { return client.getFile(remote, copy, nullptr) == 0; }, readRequest, readAnswer, &get,
                         &bareGet))
            return f;
        putRatios.append(double(barePut) / double(put));
        getRatios.append(double(bareGet) / double(get));
        f.put = qMin(f.put, put);
        f.get = qMin(f.get, get);
        f.barePut = qMin(f.barePut, barePut);
        f.bareGet = qMin(f.bareGet, bareGet);
    }
    std::sort(putRatios.begin(), putRatios.end());
    std::sort(getRatios.begin(), getRatios.end());
    f.putRatio = putRatios.at(putRatios.size() / 2);
    f.getRatio = getRatios.at(getRatios.size() / 2);
    f.ok = true;
    return f;
}

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    // Both memories and the local files in RAM when the system has a RAM folder:
    // the figures are about the link, not about the disk under the temporary folder.
    const QString ram = QStringLiteral("/dev/shm");
    QTemporaryDir root(QFileInfo(ram).isDir() && QFileInfo(ram).isWritable()
                           ? ram + QStringLiteral("/bench-transfer-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/bench-transfer-XXXXXX"));
    const QString internal = root.path() + QStringLiteral("/internal");
    const QString local = root.path() + QStringLiteral("/local");
    if (!root.isValid() || !QDir().mkpath(internal) || !QDir().mkpath(local)) {
        std::fprintf(stderr, "bench-transfer: cannot make working folders\n");
        return 1;
    }
    const QString smallFile = local + QStringLiteral("/small.bin");
    const QString largeFile = local + QStringLiteral("/large.bin");
    if (!makeFile(smallFile, mib) || !makeFile(largeFile, largeSize)) {
        std::fprintf(stderr, "bench-transfer: cannot write the test files\n");
        return 1;
    }

    SPedalConfig config;
    config.internalDir = internal;
    config.systemDir = root.path() + QStringLiteral("/system");
    SPedalSimulator pedal(config);
    QString error;
    if (!pedal.open(&error) || !pedal.start()) {
        std::fprintf(stderr, "bench-transfer: virtual pedal: %s\n", qUtf8Printable(error));
        return 1;
    }
    QSerialPort port(pedal.portPath());
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "bench-transfer: %s\n", qUtf8Printable(port.errorString()));
        return 1;
    }
    port.setBaudRate(QSerialPort::Baud115200);
    port.setFlowControl(QSerialPort::HardwareControl);
    AmbermeshClient client;
    client.attachPort(&port);

    const QString remote = QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("large.bin");
    const QString copy = local + QStringLiteral("/copy.bin");
    const int blocks = int((largeSize + block - 1) / block);
    std::printf("bench-transfer: %lld MiB in %d blocks of at most %d bytes, %d rounds\n", largeSize / mib,
                blocks, block, rounds);

    // Memory first, while nothing large has been touched yet.
    const bool canReset = resetPeak();
    const qint64 beforeSmall = peakKiB();
    bool ok = client.putFile(smallFile, QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("small.bin"), nullptr)
                  == 0
              && client.getFile(QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("small.bin"),
                                local + QStringLiteral("/small-copy.bin"), nullptr)
                     == 0;
    const qint64 peakSmall = peakKiB();
    if (canReset)
        resetPeak();
    ok = ok && client.putFile(largeFile, remote, nullptr) == 0 && client.getFile(remote, copy, nullptr) == 0;
    const qint64 peakLarge = peakKiB();
    ok = ok && sameContent(largeFile, copy) && sameContent(largeFile, internal + QStringLiteral("/large.bin"));
    if (!ok) {
        std::fprintf(stderr, "bench-transfer: a transfer failed or its copy differs\n");
        return 1;
    }

    const int fd = int(port.handle());
    const auto measure = [&](const char* setting) {
        const Figures f = timeRounds(client, pedal, fd, largeFile, remote, copy, blocks);
        if (f.ok) {
            std::printf("%s:\n", setting);
            std::printf("  put (host to pedal): %.1f MiB/s; bare exchange of the same sizes: %.1f MiB/s; ratio %.3f\n",
                        mibPerSecond(largeSize, f.put), mibPerSecond(largeSize, f.barePut), f.putRatio);
            std::printf("  get (pedal to host): %.1f MiB/s; bare exchange of the same sizes: %.1f MiB/s; ratio %.3f\n",
                        mibPerSecond(largeSize, f.get), mibPerSecond(largeSize, f.bareGet), f.getRatio);
        }
        return f;
    };
    // A pedal runs its firmware on a processor of its own. With two CPUs or more
    // the virtual pedal is kept on one and the program on another, so the figures
    // are the link's and the two ends' own, not those of one CPU switching
    // between them. The shared case follows for comparison.
    const bool apart = std::thread::hardware_concurrency() >= 2;
    if (apart) {
        pedal.stop();
        pinCurrentThread(0);
        pedal.setServingCpu(1);
        pedal.start();
    }
    const Figures own = measure(apart ? "pedal on a CPU of its own" : "one CPU");
    Figures shared;
    if (own.ok && apart) {
        pedal.stop();
        pinCurrentThread(-1);
        pedal.setServingCpu(-1);
        pedal.start();
        shared = measure("pedal and program sharing the CPUs");
    }
    if (!own.ok || (apart && !shared.ok)) {
        std::fprintf(stderr, "bench-transfer: a timed run failed\n");
        return 1;
    }
    const double growthMiB = double(peakLarge - peakSmall) / 1024.0;
    std::printf("peak memory: %.1f MiB at start, %.1f MiB with 1 MiB transfers, %.1f MiB with 32 MiB transfers%s\n",
                double(beforeSmall) / 1024.0, double(peakSmall) / 1024.0, double(peakLarge) / 1024.0,
                canReset ? "" : " (peak could not be reset between them)");
    std::printf("GOAL put_vs_bare_link %.3f 0.9 %s\n", own.putRatio, verdict(own.putRatio >= 0.9));
    std::printf("GOAL get_vs_bare_link %.3f 0.9 %s\n", own.getRatio, verdict(own.getRatio >= 0.9));
    std::printf("GOAL memory_growth_32mib_over_1mib_mib %.2f 8 %s\n", growthMiB, verdict(growthMiB <= 8.0));
    port.close();
    pedal.stop();
    return 0;
}
