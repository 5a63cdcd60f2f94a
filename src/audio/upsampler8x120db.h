#pragma once
#include "audio/upsampler4x120db.h"

// ×8: the ×4 cascade, then a ×2 stage with the 3-coefficient set.
class Upsampler8x120dB : public Upsampler4x120dB
{
public:
    Upsampler8x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(Upsampler8x120dB& a, Upsampler8x120dB& b, const float* inA, const float* inB, unsigned n,
                           float* outA, float* outB);

protected:
    float m_s3[2][2]; // [1][1] is the pass-through slot of branch 1

private:
    template <int C>
    static int run(Upsampler8x120dB* a, Upsampler8x120dB* b, const float* inA, const float* inB, unsigned n,
                   float* outA, float* outB);
};
