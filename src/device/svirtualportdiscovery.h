#pragma once

#include "device/sportdiscovery.h"

// Virtual pedals: the pseudo-terminal paths they printed. A path that no longer
// exists (the virtual pedal stopped) is not listed, as an unplugged pedal is not.
class SVirtualPortDiscovery : public SPortDiscovery
{
public:
    explicit SVirtualPortDiscovery(QStringList paths);

    QStringList matchingPorts() const override;
    void setPaths(const QStringList& paths) { m_paths = paths; }

private:
    QStringList m_paths;
};
