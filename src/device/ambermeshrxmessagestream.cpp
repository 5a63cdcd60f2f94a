#include "device/ambermeshrxmessagestream.h"

#include "core/slog.h"

#include <QtEndian>

#include <algorithm>
#include <cstdio>

namespace {
// Header diagnostics go to standard output, as the pedal tools always did, and to
// the log, which is the only place a user without a console can see them.
void headerDiagnostic(const char* format, long long value = 0)
{
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Fuzzing meets a bad header every few bytes; printing would be all it measures.
    Q_UNUSED(format);
    Q_UNUSED(value);
    return;
#endif
    std::printf(format, value);
    std::fflush(stdout);
    SLOG_WARN("%s", qUtf8Printable(QString::asprintf(format, value).trimmed()));
}
} // namespace

AmbermeshRxMessageStream::AmbermeshRxMessageStream(QObject* parent) : QObject(parent)
{
}

int AmbermeshRxMessageStream::appendBytes(const char* data, int length)
{
    if (!data || length <= 0 || m_complete)
        return 0;
    int consumed = 0;
    if (!m_headerValid) {
        const int n = std::min(headerSize - int(m_received), length);
        std::copy_n(data, n, m_buffer.data() + m_received);
        m_received += n;
        consumed = n;
        data += n;
        length -= n;
        if (m_received == headerSize) {
            m_headerValid = true;
            const quint16 id = messageId();
            m_payloadSize = qFromLittleEndian<quint32>(m_buffer.data() + 2);
            bool valid = true;
            if (id >= firstInvalidId) {
                headerDiagnostic("Invalid message ID - %lld\n", id);
                valid = false;
            }
            if (m_payloadSize > quint32(maxPayloadSize)) {
                headerDiagnostic("invalid size read - %lld\n", m_payloadSize);
                valid = false;
            }
            if (!valid) {
                headerDiagnostic("Invalid header - dumping message\n");
                reset();
                return consumed;
            }
        }
    }
    if (m_headerValid) {
        const quint32 total = m_payloadSize + headerSize;
        const int n = int(std::min<quint32>(total - m_received, quint32(length)));
        std::copy_n(data, n, m_buffer.data() + m_received);
        m_received += n;
        consumed += n;
        if (m_received == total)
            m_complete = true;
    }
    return consumed;
}

quint16 AmbermeshRxMessageStream::messageId() const
{
    return m_received >= 2 ? qFromLittleEndian<quint16>(m_buffer.data()) : 0;
}

bool AmbermeshRxMessageStream::isAsyncId(quint16 id)
{
    switch (id) {
    case 0x8000:
    case 0x8001:
    case 0x8002:
    case 0x8005:
    case 0x8006:
        return true;
    default:
        return false;
    }
}

bool AmbermeshRxMessageStream::isAsyncMessage() const
{
    return m_received >= 2 && isAsyncId(messageId());
}

void AmbermeshRxMessageStream::reset()
{
    m_readCursor = 0;
    m_received = 0;
    m_complete = false;
    m_headerValid = false;
    m_overrun = false;
}

bool AmbermeshRxMessageStream::take(quint32 n, const char** at)
{
    if (m_overrun || n > bytesLeft()) {
        m_overrun = true;
        *at = nullptr;
        return false;
    }
    *at = m_buffer.data() + m_readCursor;
    m_readCursor += n;
    return true;
}

quint8 AmbermeshRxMessageStream::readUInt8()
{
    const char* at;
    return take(1, &at) ? quint8(*at) : 0;
}

bool AmbermeshRxMessageStream::readBool()
{
    return readUInt8() != 0;
}

quint16 AmbermeshRxMessageStream::readUInt16()
{
    const char* at;
    return take(2, &at) ? qFromLittleEndian<quint16>(at) : 0;
}

quint32 AmbermeshRxMessageStream::readUInt32()
{
    const char* at;
    return take(4, &at) ? qFromLittleEndian<quint32>(at) : 0;
}

quint64 AmbermeshRxMessageStream::readUInt64()
{
    const char* at;
    return take(8, &at) ? qFromLittleEndian<quint64>(at) : 0;
}

const char* AmbermeshRxMessageStream::takeBytes(quint32 n)
{
    const char* at;
    return take(n, &at) ? at : nullptr;
}

QString AmbermeshRxMessageStream::readString()
{
    const qint32 n = qint32(readUInt32());
    if (n <= 0)
        return QString();
    const char* at = takeBytes(quint32(n));
    return at ? QString::fromUtf8(at, n) : QString();
}

QDateTime AmbermeshRxMessageStream::readDateTime()
{
    const int year = readUInt16();
    const int month = readUInt8();
    const int day = readUInt8();
    const int hour = readUInt8();
    const int minute = readUInt8();
    const QDate date(year, month, day);
    const QTime time(hour, minute, 0);
    if (m_overrun || !date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::LocalTime);
}
