#pragma once

#include <QString>

// Fills a virtual pedal's memory folders with a handful of synthesised grooves:
// slot folders with phrase.wav in the pedal's format and the two documents.
class SDemoLoops
{
public:
    // Writes the demo slots into the two memory roots; false when a file cannot be written.
    static bool populate(const QString& internalRoot, const QString& externalRoot, const QString& deviceName);
    // One groove: 44100 Hz, 16-bit stereo, canonical 44-byte WAV header.
    static bool writeGroove(const QString& path, int style, double bpm, int bars);
};
