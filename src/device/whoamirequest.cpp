#include "device/whoamirequest.h"

#include <QDataStream>

WhoAmIRequest::WhoAmIRequest() : AmbermeshClientRequest(E_WHO_AM_I)
{
}

void WhoAmIRequest::serialize(QDataStream& out)
{
    writeHeader(out, 0);
}
