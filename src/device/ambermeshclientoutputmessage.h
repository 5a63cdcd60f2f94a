#pragma once

#include <QByteArray>
#include <QObject>

class QDataStream;

// Base of every message the host sends. A message is written field by field,
// little-endian, straight into the data stream bound to the open port.
class AmbermeshClientOutputMessage : public QObject
{
    Q_OBJECT
public:
    // Process-wide request counter; never reset, not even on reconnection.
    static quint32 nextSerialNumber;

    explicit AmbermeshClientOutputMessage(quint16 id, QObject* parent = nullptr);

    // Writes the whole message; bodySize is -1 until serialize has run.
    virtual void send(QDataStream& out);
    virtual void serialize(QDataStream& out) = 0;

    // Before each repeat of a block request: the repeat is a new request.
    void takeNextSerialNumber();

    quint16 messageId;
    quint32 serialNumber;
    qint32 bodySize = -1;

protected:
    // i16 id, i32 payload size (serial number plus body), i32 serial number.
    void writeHeader(QDataStream& out, qint32 body);
    // Host-to-device string: i32 UTF-8 byte count, then the bytes.
    static void writeString(QDataStream& out, const QByteArray& utf8);
    static qint32 stringSize(const QByteArray& utf8) { return qint32(4 + utf8.size()); }
};
