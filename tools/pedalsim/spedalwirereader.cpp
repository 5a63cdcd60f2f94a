#include "spedalwirereader.h"

quint64 SPedalWireReader::fixed(int width)
{
    if (!m_ok || left() < width) {
        m_ok = false;
        return 0;
    }
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(m_bytes.at(m_pos + i));
    m_pos += width;
    return value;
}

QByteArray SPedalWireReader::bytes(qint64 n)
{
    if (!m_ok || n < 0 || n > left()) {
        m_ok = false;
        return QByteArray();
    }
    const QByteArray out(m_bytes.constData() + m_pos, qsizetype(n)); // a copy even of raw data
    m_pos += qsizetype(n);
    return out;
}

QString SPedalWireReader::string()
{
    const qint32 n = qint32(u32());
    if (n < 0)
        m_ok = false;
    return QString::fromUtf8(bytes(n));
}
