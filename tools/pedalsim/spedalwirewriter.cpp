#include "spedalwirewriter.h"

#include <QIODevice>

SPedalWireWriter::SPedalWireWriter(quint16 id, quint32 serial, qsizetype reserve)
{
    m_bytes.reserve(10 + reserve);
    fixed(id, 2);
    fixed(0, 4);
    fixed(serial, 4);
}

SPedalWireWriter& SPedalWireWriter::fixed(quint64 v, int width)
{
    for (int i = 0; i < width; ++i)
        m_bytes.append(char((v >> (8 * i)) & 0xFF));
    return *this;
}

SPedalWireWriter& SPedalWireWriter::string(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    u32(quint32(utf8.size()));
    m_bytes.append(utf8);
    return *this;
}

SPedalWireWriter& SPedalWireWriter::dateTime(const QDateTime& when)
{
    const QDateTime local = when.toLocalTime();
    const bool valid = local.isValid();
    u16(valid ? quint16(local.date().year()) : 0);
    u8(valid ? quint8(local.date().month()) : 0);
    u8(valid ? quint8(local.date().day()) : 0);
    u8(valid ? quint8(local.time().hour()) : 0);
    return u8(valid ? quint8(local.time().minute()) : 0);
}

SPedalWireWriter& SPedalWireWriter::raw(const char* data, qsizetype n)
{
    m_bytes.append(data, n);
    return *this;
}

qint64 SPedalWireWriter::readFrom(QIODevice* device, qint64 max)
{
    const qsizetype had = m_bytes.size();
    m_bytes.resize(had + qsizetype(max));
    const qint64 got = max > 0 ? device->read(m_bytes.data() + had, max) : 0;
    m_bytes.resize(had + qsizetype(qMax<qint64>(got, 0)));
    return got;
}

void SPedalWireWriter::setSerial(QByteArray& message, quint32 serial)
{
    for (int i = 0; i < 4 && 6 + i < message.size(); ++i)
        message[6 + i] = char((serial >> (8 * i)) & 0xFF);
}

QByteArray SPedalWireWriter::message()
{
    const quint32 size = quint32(payloadSize());
    for (int i = 0; i < 4; ++i)
        m_bytes[2 + i] = char((size >> (8 * i)) & 0xFF);
    return m_bytes;
}
