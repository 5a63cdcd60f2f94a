#include "audio/saudioexports.h"

#include "audio/saudiofileoperations.h"

namespace {
QString localPath(const char* path)
{
    return path ? QString::fromLocal8Bit(path) : QString();
}
} // namespace

int ConvertAudioFile(const char* sourcePath, const char* destinationPath, int channels, bool mixToMono,
                     int bitsPerSample, int sampleRate, SAudioProgressCallback callback)
{
    return SAudioFileOperations::convert(localPath(sourcePath), localPath(destinationPath), channels, mixToMono,
                                         bitsPerSample, sampleRate, callback);
}

int CopyAndAppendAudioFile(const char* sourcePath, const char* destinationPath, int extraCopies,
                           SAudioProgressCallback callback)
{
    return SAudioFileOperations::copyAndAppend(localPath(sourcePath), localPath(destinationPath), extraCopies,
                                               callback);
}

int LevelAudioFile(bool attenuate, float decibels, const char* sourcePath, const char* destinationPath,
                   SAudioProgressCallback callback)
{
    return SAudioFileOperations::level(attenuate, decibels, localPath(sourcePath), localPath(destinationPath),
                                       callback);
}
