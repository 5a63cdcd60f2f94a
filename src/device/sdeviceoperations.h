#pragma once

#include <QString>

struct stDeviceData;

// The device worker carries out some operations through the views that own them
// (copying a LoopList, writing loops, creating a LoopList, mirroring a device's
// loops, synchronising, multiplying). The views register one implementation;
// without one the worker ends those operations with their null-payload results.
class SDeviceOperations
{
public:
    virtual ~SDeviceOperations() = default;

    // E_COPY_LOOPLIST_TO_DEVICE: name is the loop being copied (in/out); a non-empty error reports failure.
    virtual void copyListToDevice(void* request, QString& currentName, QString& error) = 0;
    // E_COPY_LOOPS_TO_DEVICE
    virtual bool writeToDevice(void* request, QString& error) = 0;
    // The "filepath" of a write request, shown while it is copied.
    virtual QString writeRequestName(void* request) = 0;
    // E_CREATE_LOOPLIST: the created LoopList, or nullptr.
    virtual void* createLoopListWithRecords(void* request) = 0;
    // E_CONNECT: mirror the loops just read into the library database.
    virtual void updateDBWithDeviceLoops(stDeviceData* device, bool internal) = 0;
    // E_SYNCHRONIZE: apply one synchronisation table.
    virtual void applySynchronization(void* table) = 0;
    // E_MULTIPLY
    virtual int multiply(void* request) = 0;
};
