#pragma once

#include <QStringList>

#include <memory>

// Where pedals are looked for. Everything above this seam is the same for a real
// pedal on USB and for the virtual pedal on a pseudo-terminal.
class SPortDiscovery
{
public:
    // Colon-separated port paths of virtual pedals, meant only for the virtual pedal
    // (tests, demo mode). When set, the program looks there instead of on USB.
    static constexpr const char* virtualPortsVariable = "SPOOLBOX_PEDAL_PORTS";

    virtual ~SPortDiscovery() = default;
    // The ports a pedal answers on, in the order listed by the system.
    virtual QStringList matchingPorts() const = 0;

    // The discovery in force: virtual ports when configured, USB otherwise.
    static std::unique_ptr<SPortDiscovery> create();
};
