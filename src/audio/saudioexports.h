#pragma once
// The audio file operations under their exported C names (C linkage, exported by
// name from the program). Paths are in the local 8-bit encoding. Results are the
// codes of SAudioFileOperations::E_RESULT.

#if defined(_WIN32)
#define SPOOLBOX_AUDIO_EXPORT __declspec(dllexport)
#else
#define SPOOLBOX_AUDIO_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
typedef bool (*SAudioProgressCallback)(int percent);

SPOOLBOX_AUDIO_EXPORT int ConvertAudioFile(const char* sourcePath, const char* destinationPath, int channels,
                                           bool mixToMono, int bitsPerSample, int sampleRate,
                                           SAudioProgressCallback callback);
SPOOLBOX_AUDIO_EXPORT int CopyAndAppendAudioFile(const char* sourcePath, const char* destinationPath,
                                                 int extraCopies, SAudioProgressCallback callback);
SPOOLBOX_AUDIO_EXPORT int LevelAudioFile(bool attenuate, float decibels, const char* sourcePath,
                                         const char* destinationPath, SAudioProgressCallback callback);
}
