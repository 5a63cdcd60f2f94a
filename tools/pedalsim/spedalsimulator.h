#pragma once

#include "spedalconfig.h"
#include "spedaldevice.h"
#include "spedalfault.h"

#include <QMutex>
#include <QRandomGenerator>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// The virtual pedal: a pseudo-terminal whose far end the program opens as its
// serial port, served on a thread of its own. Usable in-process (tests,
// benchmarks) and by the spoolbox-pedalsim program.
class SPedalSimulator
{
public:
    explicit SPedalSimulator(const SPedalConfig& config);
    ~SPedalSimulator();
    SPedalSimulator(const SPedalSimulator&) = delete;
    SPedalSimulator& operator=(const SPedalSimulator&) = delete;

    // Checks the folders and opens the pseudo-terminal.
    bool open(QString* error = nullptr);
    // The path the program opens, e.g. /dev/pts/7.
    QString portPath() const { return m_portPath; }
    // A real pedal has a processor of its own: the serving thread can be kept on
    // one CPU, away from the program's (benchmarks). -1: anywhere. Before start().
    void setServingCpu(int cpu) { m_cpu = cpu; }
    bool start();
    // Stops serving; the pseudo-terminal stays until destruction.
    void stop();

    // Thread-safe; applies from the next request on.
    void setFault(const SPedalFault& fault);
    SPedalFault fault() const;
    // Replaces the pedal's answers, for tests that need bytes no well-behaved pedal
    // sends: given the request and the pedal's own answer, returns the pieces to
    // send instead (none: no answer). Pieces go out one by one, a moment apart.
    // Benchmark baseline: instead of the protocol, answer every requestSize bytes
    // with answerSize zero bytes (the link's own stop-and-wait limit). 0 ends it.
    void setBareExchange(int requestSize, int answerSize);
    using AnswerFilter = std::function<QList<QByteArray>(const QByteArray& request, const QByteArray& answer)>;
    void setAnswerFilter(AnswerFilter filter);
    // The pseudo-terminal was closed by an E_VANISH fault.
    bool hasVanished() const { return m_vanished.load(); }
    SPedalDevice::stStats stats() const { return m_device.stats(); }
    const SPedalDevice& device() const { return m_device; }

private:
    void serve();
    void handleMessage(const QByteArray& message);
    // False when stopped or the pty failed while writing.
    bool writeAll(const char* data, qsizetype size, int largestChunk);
    // Sleeps, waking early when stopped; false when stopped.
    bool pause(int ms);
    void vanish();
    void closeFds();

    SPedalDevice m_device;
    QString m_portPath;
    int m_master = -1;
    int m_slaveKeep = -1; // keeps the line up while the program has the port closed
    int m_wake[2] = {-1, -1};
    QThread* m_thread = nullptr;
    int m_cpu = -1;

    mutable QMutex m_faultLock;
    SPedalFault m_fault;
    AnswerFilter m_filter;
    std::atomic<int> m_bareRequest{0};
    std::atomic<int> m_bareAnswer{0};
    // Serving-thread state of the current fault.
    quint64 m_requests = 0;
    quint64 m_faultAnswers = 0;
    quint64 m_faultBytes = 0;
    quint64 m_faultBlocks = 0;
    bool m_silent = false;
    QRandomGenerator m_random;
    std::atomic<bool> m_vanished{false};
    std::atomic<bool> m_stopping{false};
};
