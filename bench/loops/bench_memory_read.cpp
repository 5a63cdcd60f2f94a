// bench-memory-read: reads a virtual pedal memory of 99 slots holding 30 s stereo
// loops, as the program does when a pedal is connected, and compares the time with
// what the link alone needs for the same exchanges: a bare stop-and-wait exchange
// (no protocol code on either end) of the same number of messages of the same
// average sizes over the same pty, measured in the same run.
//
// The share is informative: the rest is the host's work and the virtual pedal's
// own file work for each request, which a bare exchange does not do. The GOAL line
// is what a musician notices: a full 99-slot memory reads in under a second.

#include "core/sglobals.h"
#include "device/sdevicehandler.h"
#include "device/sloopdocuments.h"
#include "device/svirtualportdiscovery.h"
#include "sdemoloops.h"
#include "sbareexchange.h"
#include "spedalsimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <limits>

namespace {
constexpr int slotCount = 99;
constexpr int seconds = 30;
constexpr int rounds = 5;

void quiet(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type >= QtWarningMsg)
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
}

// A slot as the pedal keeps it; the audio is sparse (only its header is read).
bool makeSlot(const QString& root, int slot, const QString& groove)
{
    stDeviceData device;
    device.name = QStringLiteral("Ostino Alto HD");
    const QString folder = root + QStringLiteral("/Patch") + SLoopDocuments::slotNumberText(quint32(slot));
    if (!QDir().mkpath(folder + QStringLiteral("/PhraseA")))
        return false;
    QFile audio(folder + QStringLiteral("/PhraseA/phrase.wav"));
    QFile source(groove);
    if (!source.open(QIODevice::ReadOnly) || !audio.open(QIODevice::WriteOnly))
        return false;
    QByteArray header = source.read(44);
    const quint32 dataBytes = quint32(seconds) * 44100u * 4u;
    qToLittleEndian(dataBytes, header.data() + 40);
    qToLittleEndian(dataBytes + 36u, header.data() + 4);
    audio.write(header);
    if (!audio.resize(44 + qint64(dataBytes)))
        return false;
    stLoop loop;
    loop.name = QStringLiteral("Bench loop %1").arg(slot);
    loop.artist = QStringLiteral("Bench");
    loop.genre = QStringLiteral("Rock");
    loop.description = QStringLiteral("A 30 second stereo loop");
    loop.rhythmType = QStringLiteral("3-Click");
    loop.stopMode = QStringLiteral("FadeOut");
    loop.beatsPerMinute = 120.0f;
    loop.beatsPerMeasure = 4;
    loop.loopNumber = quint32(slot);
    return SLoopDocuments::writePatchDocument(device, loop, folder) &&
           SLoopDocuments::writePhraseDocument(device, loop, folder + QStringLiteral("/PhraseA"));
}

qint64 fileBytes(const QString& root, const QString& name)
{
    qint64 total = 0;
    for (int slot = 1; slot <= slotCount; ++slot)
        total += QFileInfo(root + QStringLiteral("/Patch") + SLoopDocuments::slotNumberText(quint32(slot)) + name).size();
    return total;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    const QString ram = QStringLiteral("/dev/shm");
    QTemporaryDir root(QFileInfo(ram).isDir() && QFileInfo(ram).isWritable()
                           ? ram + QStringLiteral("/bench-memory-read-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/bench-memory-read-XXXXXX"));
    const QString internal = root.path() + QStringLiteral("/internal");
    const QString groove = root.path() + QStringLiteral("/groove.wav");
    bool ok = root.isValid() && QDir().mkpath(internal) && SDemoLoops::writeGroove(groove, 0, 240.0, 1);
    for (int slot = 1; ok && slot <= slotCount; ++slot)
        ok = makeSlot(internal, slot, groove);
    if (!ok) {
        std::fprintf(stderr, "bench-memory-read: cannot make the pedal's memory\n");
        return 1;
    }
    qputenv("TMPDIR", root.path().toLocal8Bit()); // the working folder, in RAM as well
    SGlobals::prepareWorkingFolder();

    SPedalConfig config;
    config.internalDir = internal;
    config.systemDir = root.path() + QStringLiteral("/system");
    SPedalSimulator pedal(config);
    QString error;
    if (!pedal.open(&error) || !pedal.start()) {
        std::fprintf(stderr, "bench-memory-read: virtual pedal: %s\n", qUtf8Printable(error));
        return 1;
    }
    SDeviceHandler* handler = SDeviceHandler::instance();
    handler->setPortDiscovery(std::make_unique<SVirtualPortDiscovery>(QStringList {pedal.portPath()}));
    stDeviceData record;
    if (!handler->detectDevice(false, &record)) {
        std::fprintf(stderr, "bench-memory-read: the virtual pedal was not detected\n");
        return 1;
    }

    qint64 bestRead = std::numeric_limits<qint64>::max();
    quint64 requests = 0;
    QElapsedTimer timer;
    for (int round = 0; round < rounds && ok; ++round) {
        stDeviceData memory;
        const quint64 before = pedal.stats().requests;
        timer.start();
        ok = handler->readInternalMemory(memory, nullptr) && memory.loops.size() == slotCount &&
             qAbs(memory.loops.last().length - float(seconds)) < 0.01f;
        bestRead = qMin(bestRead, timer.nsecsElapsed());
        requests = pedal.stats().requests - before;
    }
    if (!ok) {
        std::fprintf(stderr, "bench-memory-read: reading the memory failed\n");
        return 1;
    }

    // The same number of exchanges over the same line, with the read's average
    // message sizes: each request names a path (about 60 bytes); the answers carry
    // the two documents of every slot plus short replies.
    const qint64 documentBytes = fileBytes(internal, QStringLiteral("/patch.xml")) +
                                 fileBytes(internal, QStringLiteral("/PhraseA/phrase.xml"));
    const int answerSize = int(24 + documentBytes / qint64(requests));
    const int requestSize = 60;
    qint64 bestBare = std::numeric_limits<qint64>::max();
    const int fd = int(handler->port()->handle());
    for (int round = 0; round < rounds && ok; ++round) {
        pedal.setBareExchange(requestSize, answerSize);
        timer.start();
        ok = SBareExchange::run(fd, requestSize, answerSize, int(requests));
        bestBare = qMin(bestBare, timer.nsecsElapsed());
        pedal.setBareExchange(0, 0);
    }
    if (!ok) {
        std::fprintf(stderr, "bench-memory-read: the bare exchange failed\n");
        return 1;
    }
    handler->closePort();
    pedal.stop();

    const double readSeconds = double(bestRead) / 1e9;
    const double linkSeconds = double(bestBare) / 1e9;
    const double share = linkSeconds / readSeconds;
    std::printf("bench-memory-read: %d slots of %d s stereo loops, best of %d rounds\n", slotCount, seconds, rounds);
    std::printf("read: %.3f s for %llu exchanges (%.1f per slot)\n", readSeconds, static_cast<unsigned long long>(requests),
                double(requests) / slotCount);
    std::printf("bare link, same exchanges (%d-byte requests, %d-byte answers): %.3f s\n", requestSize, answerSize,
                linkSeconds);
    std::printf("share of the read spent in the link: %.2f\n", share);
    std::printf("GOAL memory_read_seconds %.3f 1.0 %s\n", readSeconds, readSeconds <= 1.0 ? "PASS" : "FAIL");
    SGlobals::removeWorkingFolder();
    return 0;
}
