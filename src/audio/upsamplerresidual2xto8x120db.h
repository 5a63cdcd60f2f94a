#pragma once
#include "audio/upsamplerresidual4xto8x120db.h"

// ×4: the 4-coefficient stage, then the 3-coefficient stage (the 2x→8x part of
// the cascade).
class UpsamplerResidual2xto8x120dB : public UpsamplerResidual4xto8x120dB
{
public:
    UpsamplerResidual2xto8x120dB();
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    static int processPair(UpsamplerResidual2xto8x120dB& a, UpsamplerResidual2xto8x120dB& b, const float* inA,
                           const float* inB, unsigned n, float* outA, float* outB);

protected:
    float m_s4[2][2];

private:
    template <int C>
    static int run(UpsamplerResidual2xto8x120dB* a, UpsamplerResidual2xto8x120dB* b, const float* inA,
                   const float* inB, unsigned n, float* outA, float* outB);
};
