#pragma once
#include "audio/iresampler.h"

// Halves the rate with one half-band stage (10-coefficient set). Input that does
// not complete a pair waits in the hold buffer for the next call.
class Downsampler2x120dB : public IResampler
{
public:
    Downsampler2x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    // Two channels in step; each gets exactly what its own process() would give.
    static int processPair(Downsampler2x120dB& a, Downsampler2x120dB& b, const float* inA, const float* inB,
                           unsigned n, float* outA, float* outB);

protected:
    float m_s10[5][2]; // [section][branch]

private:
    template <int C>
    static int run(Downsampler2x120dB* a, Downsampler2x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);

    float m_hold2[2];
    int m_held2;
};
