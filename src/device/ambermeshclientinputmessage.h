#pragma once

// Base of every message the host receives.
class AmbermeshClientInputMessage
{
public:
    AmbermeshClientInputMessage() = default;
    AmbermeshClientInputMessage(const AmbermeshClientInputMessage&) = delete;
    AmbermeshClientInputMessage& operator=(const AmbermeshClientInputMessage&) = delete;
    virtual ~AmbermeshClientInputMessage();
};
