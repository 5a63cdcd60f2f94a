#pragma once
#include "audio/iresampler.h"

// ×2 with the 3-coefficient stage alone: the 4x→8x step of the cascade, for
// input that is already band-limited well below its Nyquist frequency.
class UpsamplerResidual4xto8x120dB : public IResampler
{
public:
    UpsamplerResidual4xto8x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(UpsamplerResidual4xto8x120dB& a, UpsamplerResidual4xto8x120dB& b, const float* inA,
                           const float* inB, unsigned n, float* outA, float* outB);

protected:
    float m_s3[2][2]; // [1][1] is the pass-through slot of branch 1

private:
    template <int C>
    static int run(UpsamplerResidual4xto8x120dB* a, UpsamplerResidual4xto8x120dB* b, const float* inA,
                   const float* inB, unsigned n, float* outA, float* outB);
};
