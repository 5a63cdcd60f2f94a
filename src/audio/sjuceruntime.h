#pragma once

// JUCE's process-wide objects, behind a Qt-free and JUCE-free interface.
namespace SJuceRuntime {
// Creates JUCE's message manager (needed by its URL streams and audio classes).
void startMessageManager();
// Releases JUCE's global objects at an orderly close.
void shutdown();
} // namespace SJuceRuntime
