#pragma once
#include "audio/downsampler2x120db.h"

// ÷4: a 4-coefficient stage, then the 10-coefficient stage.
class Downsampler4x120dB : public Downsampler2x120dB
{
public:
    Downsampler4x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(Downsampler4x120dB& a, Downsampler4x120dB& b, const float* inA, const float* inB,
                           unsigned n, float* outA, float* outB);

protected:
    float m_s4[2][2];

private:
    template <int C>
    static int run(Downsampler4x120dB* a, Downsampler4x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);

    float m_hold4[4];
    int m_held4;
};
