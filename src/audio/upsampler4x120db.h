#pragma once
#include "audio/upsampler2x120db.h"

// ×4: the ×2 stage, then a ×2 stage with the 4-coefficient set.
class Upsampler4x120dB : public Upsampler2x120dB
{
public:
    Upsampler4x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(Upsampler4x120dB& a, Upsampler4x120dB& b, const float* inA, const float* inB, unsigned n,
                           float* outA, float* outB);

protected:
    float m_s4[2][2];

private:
    template <int C>
    static int run(Upsampler4x120dB* a, Upsampler4x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);
};
