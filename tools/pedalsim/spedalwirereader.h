#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reads the little-endian fields of a request body. Every read is checked: once
// one runs past the end, all later reads return zero and ok() is false.
class SPedalWireReader
{
public:
    explicit SPedalWireReader(const QByteArray& bytes, qsizetype start = 0) : m_bytes(bytes), m_pos(start) {}

    quint8 u8() { return quint8(fixed(1)); }
    quint16 u16() { return quint16(fixed(2)); }
    quint32 u32() { return quint32(fixed(4)); }
    quint64 u64() { return fixed(8); }
    // Host-to-device string: i32 byte count, then UTF-8. A negative count is malformed.
    QString string();
    QByteArray bytes(qint64 n);

    bool ok() const { return m_ok; }
    qsizetype left() const { return m_bytes.size() - m_pos; }

private:
    quint64 fixed(int width);

    const QByteArray& m_bytes;
    qsizetype m_pos;
    bool m_ok = true;
};
