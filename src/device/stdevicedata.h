#pragma once

#include "device/stloop.h"

#include <QList>
#include <QMetaType>
#include <QString>

// One device memory as the application sees it (figures in MiB).
struct stDeviceData
{
    QString name;
    QString portName; // stored by the library as the loops' deviceid
    bool isInternal = true;
    bool hasExternalMemory = false;
    int usedInternal = 0;
    int freeInternal = 0;
    int usedExternal = 0;
    int freeExternal = 0;
    QList<stLoop> loops;
};

Q_DECLARE_METATYPE(const stDeviceData*)
