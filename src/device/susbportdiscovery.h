#pragma once

#include "device/sportdiscovery.h"

// Real pedals: serial ports whose USB vendor and product ids are the pedal's.
class SUsbPortDiscovery : public SPortDiscovery
{
public:
    static constexpr quint16 pedalVendorId = 0x2E1B;
    static constexpr quint16 pedalProductId = 0x0A17;

    QStringList matchingPorts() const override;
};
