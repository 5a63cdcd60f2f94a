#include "audio/sjuceruntime.h"

#include <juce_events/juce_events.h>

void SJuceRuntime::startMessageManager()
{
    juce::MessageManager::getInstance();
}

void SJuceRuntime::shutdown()
{
    juce::DeletedAtShutdown::deleteAll();
    juce::MessageManager::deleteInstance();
}
