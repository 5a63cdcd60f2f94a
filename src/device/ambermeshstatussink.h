#pragma once

#include <QString>

// Receiver of the link's status texts ("Not connected.", transfer progress, …).
// One process-wide receiver may be installed; without one the texts are dropped.
// The debug log gets its own lines regardless.
class AmbermeshStatusSink
{
public:
    virtual ~AmbermeshStatusSink();
    virtual void statusText(const QString& text) = 0;

    // Not owned; null removes the receiver.
    static void install(AmbermeshStatusSink* sink);
    static AmbermeshStatusSink* installed();
    static void report(const QString& text);
};
