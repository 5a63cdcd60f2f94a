#include "audio/upsampler8x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Upsampler8x120dB::Upsampler8x120dB()
{
    Upsampler8x120dB::reset();
}

void Upsampler8x120dB::reset()
{
    std::memset(m_s3, 0, sizeof m_s3);
    Upsampler4x120dB::reset();
}

template <int C>
int Upsampler8x120dB::run(Upsampler8x120dB* a, Upsampler8x120dB* b, const float* inA, const float* inB, unsigned n,
                          float* outA, float* outB)
{
    float(*stateB10)[2] = C == 2 ? b->m_s10 : nullptr;
    float(*stateB4)[2] = C == 2 ? b->m_s4 : nullptr;
    float(*stateB3)[2] = C == 2 ? b->m_s3 : nullptr;
    SHalfBand::Stage10 st10(SHalfBand::kSet10, a->m_s10, stateB10);
    SHalfBand::Stage4 st4(SHalfBand::kSet4, a->m_s4, stateB4);
    SHalfBand::Stage3 st3(SHalfBand::kSet3, a->m_s3, stateB3);
    for (unsigned i = 0; i < n; ++i) {
        const SFloat4 u = st10.run(SHalfBand::upInput<C>(inA, inB, i));
        const SFloat4 t01 = st4.run(u.dupEven());
        const SFloat4 t23 = st4.run(u.dupOdd());
        SHalfBand::storePair<C>(st3.run(t01.dupEven()), outA, outB, 8 * i);
        SHalfBand::storePair<C>(st3.run(t01.dupOdd()), outA, outB, 8 * i + 2);
        SHalfBand::storePair<C>(st3.run(t23.dupEven()), outA, outB, 8 * i + 4);
        SHalfBand::storePair<C>(st3.run(t23.dupOdd()), outA, outB, 8 * i + 6);
    }
    st10.store(a->m_s10, stateB10);
    st4.store(a->m_s4, stateB4);
    st3.store(a->m_s3, stateB3);
    return static_cast<int>(8 * n);
}

int Upsampler8x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Upsampler8x120dB::processPair(Upsampler8x120dB& a, Upsampler8x120dB& b, const float* inA, const float* inB,
                                  unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
