#pragma once

#include "device/sdeviceoperations.h"

// The views' side of the device worker's operations.
class SViewOperations : public SDeviceOperations
{
public:
    void copyListToDevice(void* request, QString& currentName, QString& error) override;
    bool writeToDevice(void* request, QString& error) override;
    QString writeRequestName(void* request) override;
    void* createLoopListWithRecords(void* request) override;
    void updateDBWithDeviceLoops(stDeviceData* device, bool internal) override;
    void applySynchronization(void* table) override;
    int multiply(void* request) override;
};
