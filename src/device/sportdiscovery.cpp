#include "device/sportdiscovery.h"

#include "device/susbportdiscovery.h"
#include "device/svirtualportdiscovery.h"

std::unique_ptr<SPortDiscovery> SPortDiscovery::create()
{
    const QString ports = qEnvironmentVariable(virtualPortsVariable);
    if (!ports.isEmpty())
        return std::make_unique<SVirtualPortDiscovery>(ports.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    return std::make_unique<SUsbPortDiscovery>();
}
