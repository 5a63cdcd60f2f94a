#include "device/failureresponse.h"

bool FailureResponse::readBody(AmbermeshRxMessageStream& in)
{
    text = in.readString();
    return !in.overrun();
}
