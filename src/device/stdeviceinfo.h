#pragma once

#include <QString>
#include <QtGlobal>

// The pedal's identity as WhoAmI reports it.
struct stDeviceInfo
{
    quint16 familyId = 0;
    quint16 deviceId = 0;
    quint16 protocolVersion = 0;
    quint16 firmwareVersion = 0;
    QString guid;
    QString name;
};
