#include "device/getpropertiesresponse.h"

bool GetPropertiesResponse::readBody(AmbermeshRxMessageStream& in)
{
    const quint16 intCount = in.readUInt16();
    for (quint16 i = 0; i < intCount && !in.overrun(); ++i) {
        const quint16 id = in.readUInt16();
        const qint32 value = qint32(in.readUInt32());
        if (!in.overrun())
            intValues.insert(id, value);
    }
    const quint16 stringCount = in.readUInt16();
    for (quint16 i = 0; i < stringCount && !in.overrun(); ++i) {
        const quint16 id = in.readUInt16();
        const QString value = in.readString();
        if (!in.overrun())
            stringValues.insert(id, value);
    }
    return !in.overrun();
}
