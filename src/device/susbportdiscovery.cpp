#include "device/susbportdiscovery.h"

#include <QSerialPortInfo>

QStringList SUsbPortDiscovery::matchingPorts() const
{
    QStringList ports;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : available) {
        if (info.hasVendorIdentifier() && info.hasProductIdentifier() && info.vendorIdentifier() == pedalVendorId &&
            info.productIdentifier() == pedalProductId)
            ports << info.portName();
    }
    return ports;
}
