#include "device/getpropertyrequest.h"

#include <QDataStream>

GetPropertyRequest::GetPropertyRequest(const QList<quint16>& selectors, quint16 id)
    : AmbermeshClientRequest(E_GET_PROPERTY), selectors(selectors.mid(0, 127)), id(id)
{
}

void GetPropertyRequest::serialize(QDataStream& out)
{
    writeHeader(out, qint32(3 + 2 * selectors.size()));
    out << qint8(selectors.size());
    for (quint16 selector : selectors)
        out << qint16(selector);
    out << qint16(id);
}
