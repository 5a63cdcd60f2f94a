#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>

// One incoming message of the pedal link, reassembled from whatever chunks the
// serial port delivers. Readers decode it from the first header byte on and never
// read past the bytes actually received: a read beyond them returns zero or empty
// and marks the stream as overrun, so a short message cannot be decoded from stale
// buffer contents.
class AmbermeshRxMessageStream : public QObject
{
    Q_OBJECT
public:
    static constexpr int headerSize = 6;
    static constexpr int maxPayloadSize = 8185;
    static constexpr int maxMessageSize = headerSize + maxPayloadSize;
    static constexpr quint16 firstInvalidId = 0x8007;

    explicit AmbermeshRxMessageStream(QObject* parent = nullptr);

    // Takes as many bytes as this message still needs and returns how many it took.
    int appendBytes(const char* data, int length);
    bool isComplete() const { return m_complete; }
    bool isAsyncMessage() const;
    void reset();

    quint8 readUInt8();
    bool readBool();
    quint16 readUInt16();
    quint32 readUInt32();
    quint64 readUInt64();
    // Pointer to n raw bytes at the cursor, or null when fewer remain.
    const char* takeBytes(quint32 n);
    QString readString();
    QDateTime readDateTime();

    // True once a reader wanted more bytes than the message holds.
    bool overrun() const { return m_overrun; }
    quint32 bytesLeft() const { return m_received - m_readCursor; }
    quint32 receivedCount() const { return m_received; }
    quint32 payloadSize() const { return m_payloadSize; }
    quint16 messageId() const;

    static bool isAsyncId(quint16 id);

private:
    bool take(quint32 n, const char** at);

    std::array<char, maxMessageSize> m_buffer; // only the received part is ever read
    quint32 m_readCursor = 0;
    quint32 m_received = 0;
    bool m_complete = false;
    bool m_headerValid = false;
    quint32 m_payloadSize = 0;
    bool m_overrun = false;
};
