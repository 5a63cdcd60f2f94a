#pragma once
#include <QString>

// Whole-file audio work: format and rate conversion, "multiply" (a file repeated
// with short fades at the joins), level changes, and preparing a file for the
// pedal. Plain functions with result codes; each call is self-contained, so
// calls may run on any thread.
class SAudioFileOperations
{
public:
    enum E_RESULT {
        E_RESULT_SUCCESS = 0,
        E_RESULT_SOURCE_MISSING = 1,
        E_RESULT_NO_READER = 2,
        E_RESULT_NO_OUTPUT_STREAM = 3,
        E_RESULT_NO_FORMAT = 4,
        E_RESULT_CANCELLED = 5,
    };

    // Called after each block with the percentage done; returning false cancels
    // (the partial output is deleted and the operation returns E_RESULT_CANCELLED).
    // A progress dialog passes a function that shows the percentage and returns
    // its process-wide continue flag.
    using ProgressCallback = bool (*)(int percent);

    // channels 0 keeps the source's channel count and bit depth; sampleRate 0 keeps
    // its rate. mixToMono applies when channels is 1 and the source has more.
    static int convert(const QString& source, const QString& destination, int channels, bool mixToMono,
                       int bitsPerSample, int sampleRate, ProgressCallback callback);
    // Writes the source extraCopies + 1 times, faded out and in over 12 ms at each
    // join; a negative count writes no samples.
    static int copyAndAppend(const QString& source, const QString& destination, int extraCopies,
                             ProgressCallback callback);
    // attenuate: every sample × 10^(decibels/20); otherwise normalise so that the
    // largest absolute sample value becomes decibels dBFS.
    static int level(bool attenuate, float decibels, const QString& source, const QString& destination,
                     ProgressCallback callback);

    // The pedal plays WAV, 44100 Hz, 16-bit, mono or stereo. On success outputPath
    // is empty when the source already is in that format, else it names the
    // converted file in the Convert folder.
    static int convertToDeviceFormat(const QString& source, QString& outputPath, bool mono);
    // Only this model plays mono (exact, case-sensitive name).
    static bool isMonoModel(const QString& modelName);

    // <working folder>/Convert: the temporary and converted audio files.
    static QString convertFolder();
    // Rewrites a freshly written WAV into the plain header layout: "RIFF" size
    // "WAVE" followed directly by "fmt " (a leading JUNK chunk is dropped). On
    // failure the temporary file is kept and false is returned.
    static bool fixWavHeader(const QString& temporaryPath, const QString& destination);

    static constexpr int kDeviceSampleRate = 44100;
    static constexpr int kDeviceBitsPerSample = 16;
    static constexpr int kBlockSize = 32768;
    // Refused as unreadable above this: no audio file of ours has more.
    static constexpr int kMaxChannels = 64;
};
