#include "audio/downsampler4x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Downsampler4x120dB::Downsampler4x120dB()
{
    Downsampler4x120dB::reset();
}

void Downsampler4x120dB::reset()
{
    std::memset(m_s4, 0, sizeof m_s4);
    std::memset(m_hold4, 0, sizeof m_hold4);
    m_held4 = 0;
    Downsampler2x120dB::reset();
}

template <int C>
int Downsampler4x120dB::run(Downsampler4x120dB* a, Downsampler4x120dB* b, const float* inA, const float* inB,
                            unsigned n, float* outA, float* outB)
{
    using namespace SHalfBand;
    float(*stateB10)[2] = C == 2 ? b->m_s10 : nullptr;
    float(*stateB4)[2] = C == 2 ? b->m_s4 : nullptr;
    Stage10 st10(kSet10, a->m_s10, stateB10);
    Stage4 st4(kSet4, a->m_s4, stateB4);
    const SFloat4 half = SFloat4::splat(0.5f);
    const SFloat4 offset = SFloat4::splat(kAntiDenormal);
    auto group = [&](const float* xA, const float* xB, float* oA, float* oB) {
        const SFloat4 u0 = branchSum(st4.run(pairInput(xA, xB)));
        const SFloat4 u1 = branchSum(st4.run(pairInput(xA + 2, xB + 2)));
        const SFloat4 y = branchSum(st10.run(SFloat4::interleaveEven(u1, u0) + offset)) * half * half;
        *oA = y.lane0();
        if (C == 2)
            *oB = y.lane2();
    };
    const int count =
        decimate<4, C>(a->m_hold4, C == 2 ? b->m_hold4 : nullptr, a->m_held4, inA, inB, n, outA, outB, group);
    if (C == 2)
        b->m_held4 = a->m_held4;
    st10.store(a->m_s10, stateB10);
    st4.store(a->m_s4, stateB4);
    return count;
}

int Downsampler4x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Downsampler4x120dB::processPair(Downsampler4x120dB& a, Downsampler4x120dB& b, const float* inA,
                                    const float* inB, unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
