#include "views/sviewoperations.h"

#include "views/slooplist.h"
#include "views/sresourceview.h"

void SViewOperations::copyListToDevice(void* request, QString& currentName, QString& error)
{
    auto* copy = static_cast<stLoopListCopyRequest*>(request);
    if (!copy)
        return;
    SResourceView::instance()->copyListToDevice(copy->records, copy->modelName, error, copy->internal, &currentName);
}

bool SViewOperations::writeToDevice(void* request, QString& error)
{
    // Writing single loops belongs to the content view's transfers.
    Q_UNUSED(request);
    Q_UNUSED(error);
    return false;
}

QString SViewOperations::writeRequestName(void* request)
{
    Q_UNUSED(request);
    return QString();
}

void* SViewOperations::createLoopListWithRecords(void* request)
{
    auto* create = static_cast<stLoopListCreateRequest*>(request);
    if (!create)
        return nullptr;
    return SResourceView::instance()->createLoopListWithRecords(create->loopList, create->records);
}

void SViewOperations::updateDBWithDeviceLoops(stDeviceData* device, bool internal)
{
    if (device)
        SResourceView::instance()->updateDBWithDeviceLoops(device, internal);
}

void SViewOperations::applySynchronization(void* table)
{
    // The synchronisation dialog applies its tables itself once it exists.
    Q_UNUSED(table);
}

int SViewOperations::multiply(void* request)
{
    Q_UNUSED(request);
    return 0;
}
