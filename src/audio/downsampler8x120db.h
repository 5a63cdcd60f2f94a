#pragma once
#include "audio/downsampler4x120db.h"

// ÷8: a 3-coefficient stage, then the 4-coefficient and 10-coefficient stages.
class Downsampler8x120dB : public Downsampler4x120dB
{
public:
    Downsampler8x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(Downsampler8x120dB& a, Downsampler8x120dB& b, const float* inA, const float* inB,
                           unsigned n, float* outA, float* outB);

protected:
    float m_s3[2][2]; // [1][1] is the pass-through slot of branch 1

private:
    template <int C>
    static int run(Downsampler8x120dB* a, Downsampler8x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);

    float m_hold8[8];
    int m_held8;
};
