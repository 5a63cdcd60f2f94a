#include "device/sevent.h"

SEvent::SEvent(int kind, void* payload) : QEvent(static_cast<QEvent::Type>(kind)), m_payload(payload) {}
