#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Builds one device-to-host message: header, serial number, little-endian body.
class SPedalWireWriter
{
public:
    SPedalWireWriter(quint16 id, quint32 serial, qsizetype reserve = 64);

    SPedalWireWriter& u8(quint8 v) { return fixed(v, 1); }
    SPedalWireWriter& boolean(bool v) { return fixed(v ? 1 : 0, 1); }
    SPedalWireWriter& u16(quint16 v) { return fixed(v, 2); }
    SPedalWireWriter& u32(quint32 v) { return fixed(v, 4); }
    SPedalWireWriter& u64(quint64 v) { return fixed(v, 8); }
    // Device-to-host string: i32 byte count, then UTF-8.
    SPedalWireWriter& string(const QString& text);
    // u16 year, u8 month, day, hour, minute; zeros for a null date-time.
    SPedalWireWriter& dateTime(const QDateTime& when);
    SPedalWireWriter& raw(const char* data, qsizetype n);
    // Appends up to max bytes read from the device; how many, or -1 on a read error.
    qint64 readFrom(QIODevice* device, qint64 max);

    qsizetype payloadSize() const { return m_bytes.size() - 6; }
    // The finished message, its payload size filled in.
    QByteArray message();
    // Puts another serial number into a finished message.
    static void setSerial(QByteArray& message, quint32 serial);

private:
    SPedalWireWriter& fixed(quint64 v, int width);

    QByteArray m_bytes;
};
