#include "device/ambermeshclientinputmessage.h"

AmbermeshClientInputMessage::~AmbermeshClientInputMessage() = default;
