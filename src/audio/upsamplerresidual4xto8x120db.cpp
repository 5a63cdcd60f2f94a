#include "audio/upsamplerresidual4xto8x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

UpsamplerResidual4xto8x120dB::UpsamplerResidual4xto8x120dB()
{
    UpsamplerResidual4xto8x120dB::reset();
}

void UpsamplerResidual4xto8x120dB::reset()
{
    std::memset(m_s3, 0, sizeof m_s3);
}

template <int C>
int UpsamplerResidual4xto8x120dB::run(UpsamplerResidual4xto8x120dB* a, UpsamplerResidual4xto8x120dB* b,
                                      const float* inA, const float* inB, unsigned n, float* outA, float* outB)
{
    float(*stateB3)[2] = C == 2 ? b->m_s3 : nullptr;
    SHalfBand::Stage3 st3(SHalfBand::kSet3, a->m_s3, stateB3);
    for (unsigned i = 0; i < n; ++i)
        SHalfBand::storePair<C>(st3.run(SHalfBand::upInput<C>(inA, inB, i)), outA, outB, 2 * i);
    st3.store(a->m_s3, stateB3);
    return static_cast<int>(2 * n);
}

int UpsamplerResidual4xto8x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int UpsamplerResidual4xto8x120dB::processPair(UpsamplerResidual4xto8x120dB& a, UpsamplerResidual4xto8x120dB& b,
                                              const float* inA, const float* inB, unsigned n, float* outA,
                                              float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
