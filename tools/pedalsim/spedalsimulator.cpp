#include "spedalsimulator.h"

#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int headerSize = 6;
constexpr quint32 maxPayload = 8185;
constexpr quint16 firstInvalidId = 0x8007;
constexpr quint16 asyncIds[] = {0x8000, 0x8001, 0x8002, 0x8005, 0x8006};
constexpr quint16 fileReadId = 12;
constexpr quint16 fileWriteId = 14;

quint16 le16(const char* p)
{
    return quint16(quint8(p[0]) | quint8(p[1]) << 8);
}

quint32 le32(const char* p)
{
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16
           | quint32(quint8(p[3])) << 24;
}
} // namespace

SPedalSimulator::SPedalSimulator(const SPedalConfig& config) : m_device(config)
{
}

SPedalSimulator::~SPedalSimulator()
{
    stop();
    closeFds();
}

bool SPedalSimulator::open(QString* error)
{
    QString why;
    if (!m_device.setUp(&why)) {
        if (error)
            *error = why;
        return false;
    }
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        closeFds();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_portPath = QString::fromLocal8Bit(name);
    m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveKeep < 0)
        return fail("open slave");
    // Raw 8-bit line, as a USB serial pedal: no echo, no line editing, no translation.
    termios tio{};
    if (tcgetattr(m_slaveKeep, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(m_slaveKeep, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return fail("fcntl");
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    return true;
}

void SPedalSimulator::closeFds()
{
    for (int* fd : {&m_master, &m_slaveKeep, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool SPedalSimulator::start()
{
    if (m_master < 0 || m_thread)
        return false;
    m_stopping = false;
    m_thread = QThread::create([this] { serve(); });
    m_thread->start();
    return true;
}

void SPedalSimulator::stop()
{
    if (!m_thread)
        return;
    m_stopping = true;
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    // Empty the wake-up pipe, so serving can start again.
    char drain[16];
    while (m_wake[0] >= 0 && ::read(m_wake[0], drain, sizeof drain) > 0) {
    }
}

void SPedalSimulator::setFault(const SPedalFault& fault)
{
    QMutexLocker lock(&m_faultLock);
    m_fault = fault;
    m_fault.arg = qMax(0, fault.arg);
    // Counters restart with every new fault; they are the serving thread's, but it
    // only reads them while holding the same lock.
    m_requests = 0;
    m_faultAnswers = 0;
    m_faultBytes = 0;
    m_faultBlocks = 0;
    m_silent = false;
    m_random.seed(fault.seed);
}

void SPedalSimulator::setBareExchange(int requestSize, int answerSize)
{
    m_bareAnswer = qMax(0, answerSize);
    m_bareRequest = qMax(0, requestSize);
}

void SPedalSimulator::setAnswerFilter(AnswerFilter filter)
{
    QMutexLocker lock(&m_faultLock);
    m_filter = std::move(filter);
}

SPedalFault SPedalSimulator::fault() const
{
    QMutexLocker lock(&m_faultLock);
    return m_fault;
}

bool SPedalSimulator::pause(int ms)
{
    pollfd wake{m_wake[0], POLLIN, 0};
    const int n = poll(&wake, 1, ms);
    return !(n > 0 || m_stopping);
}

void SPedalSimulator::serve()
{
    if (m_cpu >= 0) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(m_cpu, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    }
    QByteArray inbox;
    char chunk[65536];
    while (!m_stopping && !m_vanished) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || fds[1].revents)
            break;
        if (fds[0].revents & POLLIN) {
            const ssize_t got = ::read(m_master, chunk, sizeof chunk);
            if (got > 0)
                inbox.append(chunk, got);
            else if (got < 0 && errno != EAGAIN && errno != EINTR && !pause(5))
                break;
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the line (cannot happen while m_slaveKeep is open).
            if (!pause(5))
                break;
            continue;
        }
        if (const int bare = m_bareRequest.load(); bare > 0) {
            const QByteArray answer(m_bareAnswer.load(), '\0');
            while (inbox.size() >= bare) {
                inbox.remove(0, bare);
                if (!writeAll(answer.constData(), answer.size(), 0))
                    break;
            }
            continue;
        }
        // Reassemble requests; a bad header is dropped six bytes at a time, as the host does.
        qsizetype used = 0;
        while (inbox.size() - used >= headerSize && !m_vanished) {
            const char* at = inbox.constData() + used;
            const quint16 id = le16(at);
            const quint32 size = le32(at + 2);
            if (id >= firstInvalidId || size > maxPayload) {
                used += headerSize;
                continue;
            }
            if (inbox.size() - used < qsizetype(headerSize + size))
                break;
            // Served before the inbox changes, so no copy is needed.
            const QByteArray message = QByteArray::fromRawData(at, qsizetype(headerSize + size));
            used += headerSize + size;
            handleMessage(message);
        }
        inbox.remove(0, used);
    }
}

void SPedalSimulator::handleMessage(const QByteArray& message)
{
    QMutexLocker lock(&m_faultLock);
    const SPedalFault f = m_fault;
    const bool active = f.mode != SPedalFault::E_NONE && ++m_requests > quint64(f.after);
    if (m_silent)
        return;
    if (active) {
        switch (f.mode) {
        case SPedalFault::E_NO_ANSWER:
            return;
        case SPedalFault::E_DROP_AFTER_MESSAGES:
            if (m_faultAnswers >= quint64(f.arg)) {
                m_silent = true;
                return;
            }
            break;
        case SPedalFault::E_VANISH: {
            const quint16 id = le16(message.constData());
            if ((id == fileReadId || id == fileWriteId) && m_faultBlocks++ >= quint64(f.arg)) {
                vanish();
                return;
            }
            break;
        }
        default:
            break;
        }
    }
    m_device.setZeroReads(active && f.mode == SPedalFault::E_ZERO_READS);
    m_device.setFailPattern(active && f.mode == SPedalFault::E_FAIL_PATHS ? f.pattern : QString());
    QByteArray answer = m_device.respond(message);
    if (m_filter) {
        const QList<QByteArray> pieces = m_filter(QByteArray(message.constData(), message.size()), answer);
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if ((i > 0 && !pause(3)) || !writeAll(pieces.at(i).constData(), pieces.at(i).size(), 0))
                return;
        }
        m_device.idle();
        return;
    }
    if (answer.size() < 10)
        return;
    ++m_faultAnswers;
    int largestChunk = 0;
    if (active) {
        switch (f.mode) {
        case SPedalFault::E_WRONG_SERIAL: {
            const quint32 serial = le32(answer.constData() + 6) + 1;
            for (int i = 0; i < 4; ++i)
                answer[6 + i] = char((serial >> (8 * i)) & 0xFF);
            break;
        }
        case SPedalFault::E_CORRUPT_BYTE:
            answer[f.arg % 10] = char(answer.at(f.arg % 10) ^ 0xFF);
            break;
        case SPedalFault::E_DELAY:
            lock.unlock();
            if (!pause(f.arg))
                return;
            lock.relock();
            break;
        case SPedalFault::E_CHUNKED:
            largestChunk = qMax(1, f.arg);
            break;
        case SPedalFault::E_ASYNC_BEFORE:
            for (int i = 0; i < qMax(1, f.arg); ++i) {
                QByteArray async(headerSize + 4 + int(m_random.bounded(24)), Qt::Uninitialized);
                const quint16 id = asyncIds[m_random.bounded(int(std::size(asyncIds)))];
                const quint32 size = quint32(async.size() - headerSize);
                async[0] = char(id & 0xFF);
                async[1] = char(id >> 8);
                for (int b = 0; b < 4; ++b)
                    async[2 + b] = char((size >> (8 * b)) & 0xFF);
                for (qsizetype b = headerSize; b < async.size(); ++b)
                    async[b] = char(m_random.bounded(256));
                if (!writeAll(async.constData(), async.size(), 0))
                    return;
            }
            break;
        case SPedalFault::E_DROP_AFTER_BYTES: {
            const quint64 left = quint64(f.arg) > m_faultBytes ? quint64(f.arg) - m_faultBytes : 0;
            if (quint64(answer.size()) >= left) {
                writeAll(answer.constData(), qsizetype(left), 0);
                m_silent = true;
                return;
            }
            m_faultBytes += quint64(answer.size());
            break;
        }
        default:
            break;
        }
    }
    writeAll(answer.constData(), answer.size(), largestChunk);
    m_device.idle();
}

bool SPedalSimulator::writeAll(const char* data, qsizetype size, int largestChunk)
{
    qsizetype done = 0;
    while (done < size) {
        qsizetype piece = size - done;
        if (largestChunk > 0) {
            piece = qMin<qsizetype>(piece, 1 + m_random.bounded(largestChunk));
            // A short pause now and then, so the pieces reach the host separately.
            if (done > 0 && m_random.bounded(4) == 0 && !pause(1))
                return false;
        }
        const ssize_t n = ::write(m_master, data + done, size_t(piece));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents || m_stopping)
            return false;
    }
    return true;
}

void SPedalSimulator::vanish()
{
    // The pedal is unplugged: both ends of the line go, the port path disappears.
    // Marked first: whoever notices the closed line may ask right away.
    m_vanished = true;
    for (int* fd : {&m_master, &m_slaveKeep}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
