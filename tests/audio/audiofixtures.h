#pragma once
// Test fixtures for the audio tests: generated signals, hand-made WAV files (so
// that headers can be extensible, truncated or lying), files in the other
// formats through JUCE, and reading any of them back.

#include <QByteArray>
#include <QString>

#include <vector>

namespace AudioFixtures {

using Channels = std::vector<std::vector<float>>;

enum class Encoding { Int8, Int16, Int24, Int32, Float32 };

std::vector<float> tone(int frames, double freq, double rate, double amplitude);
std::vector<float> sweep(int frames, double from, double to, double rate, double amplitude);
std::vector<float> noise(int frames, double amplitude, unsigned seed);

// claimedFrames >= 0 writes that frame count into the data chunk header
// whatever the data holds.
QByteArray wavBytes(const Channels& data, int rate, Encoding encoding, bool extensible = false,
                    long long claimedFrames = -1);
bool writeFile(const QString& path, const QByteArray& bytes);
// AIFF, FLAC or Ogg Vorbis by the path's extension.
bool writeWithJuce(const QString& path, const Channels& data, int rate, int bits);

struct Audio
{
    bool ok = false;
    double rate = 0;
    int bits = 0;
    bool isFloat = false;
    Channels data;
    int frames() const { return data.empty() ? 0 : int(data.front().size()); }
};
Audio read(const QString& path);

double rms(const std::vector<float>& v, size_t from, size_t to);
double peak(const std::vector<float>& v);

} // namespace AudioFixtures
