#include "audio/upsampler4x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Upsampler4x120dB::Upsampler4x120dB()
{
    Upsampler4x120dB::reset();
}

void Upsampler4x120dB::reset()
{
    std::memset(m_s4, 0, sizeof m_s4);
    Upsampler2x120dB::reset();
}

template <int C>
int Upsampler4x120dB::run(Upsampler4x120dB* a, Upsampler4x120dB* b, const float* inA, const float* inB, unsigned n,
                          float* outA, float* outB)
{
    float(*stateB10)[2] = C == 2 ? b->m_s10 : nullptr;
    float(*stateB4)[2] = C == 2 ? b->m_s4 : nullptr;
    SHalfBand::Stage10 st10(SHalfBand::kSet10, a->m_s10, stateB10);
    SHalfBand::Stage4 st4(SHalfBand::kSet4, a->m_s4, stateB4);
    for (unsigned i = 0; i < n; ++i) {
        const SFloat4 u = st10.run(SHalfBand::upInput<C>(inA, inB, i));
        SHalfBand::storePair<C>(st4.run(u.dupEven()), outA, outB, 4 * i);
        SHalfBand::storePair<C>(st4.run(u.dupOdd()), outA, outB, 4 * i + 2);
    }
    st10.store(a->m_s10, stateB10);
    st4.store(a->m_s4, stateB4);
    return static_cast<int>(4 * n);
}

int Upsampler4x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Upsampler4x120dB::processPair(Upsampler4x120dB& a, Upsampler4x120dB& b, const float* inA, const float* inB,
                                  unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
