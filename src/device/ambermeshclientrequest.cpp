#include "device/ambermeshclientrequest.h"

AmbermeshClientRequest::AmbermeshClientRequest(E_REQUEST id, QObject* parent)
    : AmbermeshClientOutputMessage(id, parent)
{
}
