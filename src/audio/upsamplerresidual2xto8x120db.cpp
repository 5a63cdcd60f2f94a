#include "audio/upsamplerresidual2xto8x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

UpsamplerResidual2xto8x120dB::UpsamplerResidual2xto8x120dB()
{
    UpsamplerResidual2xto8x120dB::reset();
}

void UpsamplerResidual2xto8x120dB::reset()
{
    std::memset(m_s4, 0, sizeof m_s4);
    UpsamplerResidual4xto8x120dB::reset();
}

template <int C>
int UpsamplerResidual2xto8x120dB::run(UpsamplerResidual2xto8x120dB* a, UpsamplerResidual2xto8x120dB* b,
                                      const float* inA, const float* inB, unsigned n, float* outA, float* outB)
{
    float(*stateB4)[2] = C == 2 ? b->m_s4 : nullptr;
    float(*stateB3)[2] = C == 2 ? b->m_s3 : nullptr;
    SHalfBand::Stage4 st4(SHalfBand::kSet4, a->m_s4, stateB4);
    SHalfBand::Stage3 st3(SHalfBand::kSet3, a->m_s3, stateB3);
    for (unsigned i = 0; i < n; ++i) {
        const SFloat4 t = st4.run(SHalfBand::upInput<C>(inA, inB, i));
        SHalfBand::storePair<C>(st3.run(t.dupEven()), outA, outB, 4 * i);
        SHalfBand::storePair<C>(st3.run(t.dupOdd()), outA, outB, 4 * i + 2);
    }
    st4.store(a->m_s4, stateB4);
    st3.store(a->m_s3, stateB3);
    return static_cast<int>(4 * n);
}

int UpsamplerResidual2xto8x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int UpsamplerResidual2xto8x120dB::processPair(UpsamplerResidual2xto8x120dB& a, UpsamplerResidual2xto8x120dB& b,
                                              const float* inA, const float* inB, unsigned n, float* outA,
                                              float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
