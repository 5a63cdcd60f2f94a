#include "device/svirtualportdiscovery.h"

#include <QFileInfo>

SVirtualPortDiscovery::SVirtualPortDiscovery(QStringList paths) : m_paths(std::move(paths)) {}

QStringList SVirtualPortDiscovery::matchingPorts() const
{
    QStringList ports;
    for (const QString& path : m_paths) {
        if (QFileInfo::exists(path))
            ports << path;
    }
    return ports;
}
