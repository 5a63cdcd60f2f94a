#include "views/sviewoperations.h"

#include "views/slooplist.h"
#include "views/sresourceview.h"

void SViewOperations::copyListToDevice(void* request, QString& currentName, QString& error)
{
    auto* copy = static_cast<stLoopListCopyRequest*>(request);
    if (!copy)
        return;
    if (SResourceView* view = SResourceView::existing())
        view->copyListToDevice(copy->records, copy->modelName, error, copy->internal, &currentName);
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
    SResourceView* view = SResourceView::existing();
    return view ? view->createLoopListWithRecords(create->loopList, create->records) : nullptr;
}

void SViewOperations::updateDBWithDeviceLoops(stDeviceData* device, bool internal)
{
    if (SResourceView* view = SResourceView::existing(); view && device)
        view->updateDBWithDeviceLoops(device, internal);
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
