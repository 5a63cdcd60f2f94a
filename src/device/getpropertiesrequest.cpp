#include "device/getpropertiesrequest.h"

#include <QDataStream>

GetPropertiesRequest::GetPropertiesRequest(const QList<quint16>& ids)
    : AmbermeshClientRequest(E_GET_PROPERTIES), ids(ids.mid(0, 127))
{
}

void GetPropertiesRequest::serialize(QDataStream& out)
{
    writeHeader(out, qint32(1 + 2 * ids.size()));
    out << qint8(ids.size());
    for (quint16 id : ids)
        out << qint16(id);
}
