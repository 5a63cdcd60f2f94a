#include "device/ambermeshclientoutputmessage.h"

#include <QDataStream>

quint32 AmbermeshClientOutputMessage::nextSerialNumber = 0;

AmbermeshClientOutputMessage::AmbermeshClientOutputMessage(quint16 id, QObject* parent)
    : QObject(parent), messageId(id), serialNumber(nextSerialNumber++)
{
}

void AmbermeshClientOutputMessage::send(QDataStream& out)
{
    bodySize = -1;
    serialize(out);
}

void AmbermeshClientOutputMessage::takeNextSerialNumber()
{
    serialNumber = nextSerialNumber++;
}

void AmbermeshClientOutputMessage::writeHeader(QDataStream& out, qint32 body)
{
    bodySize = body;
    out << qint16(messageId) << qint32(4 + body) << qint32(serialNumber);
}

void AmbermeshClientOutputMessage::writeString(QDataStream& out, const QByteArray& utf8)
{
    out << qint32(utf8.size());
    out.writeRawData(utf8.constData(), int(utf8.size()));
}
