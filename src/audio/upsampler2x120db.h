#pragma once
#include "audio/iresampler.h"

// Doubles the rate with one half-band stage (10-coefficient set).
class Upsampler2x120dB : public IResampler
{
public:
    Upsampler2x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    // Two channels in step; each gets exactly what its own process() would give.
    static int processPair(Upsampler2x120dB& a, Upsampler2x120dB& b, const float* inA, const float* inB, unsigned n,
                           float* outA, float* outB);

protected:
    float m_s10[5][2]; // [section][branch]

private:
    template <int C>
    static int run(Upsampler2x120dB* a, Upsampler2x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);
};
