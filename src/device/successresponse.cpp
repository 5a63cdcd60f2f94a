#include "device/successresponse.h"

bool SuccessResponse::readBody(AmbermeshRxMessageStream& in)
{
    return !in.overrun();
}
