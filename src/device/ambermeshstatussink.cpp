#include "device/ambermeshstatussink.h"

namespace {
AmbermeshStatusSink* g_sink = nullptr;
}

AmbermeshStatusSink::~AmbermeshStatusSink()
{
    if (g_sink == this)
        g_sink = nullptr;
}

void AmbermeshStatusSink::install(AmbermeshStatusSink* sink)
{
    g_sink = sink;
}

AmbermeshStatusSink* AmbermeshStatusSink::installed()
{
    return g_sink;
}

void AmbermeshStatusSink::report(const QString& text)
{
    if (g_sink)
        g_sink->statusText(text);
}
