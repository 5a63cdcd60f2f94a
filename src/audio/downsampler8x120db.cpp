#include "audio/downsampler8x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Downsampler8x120dB::Downsampler8x120dB()
{
    Downsampler8x120dB::reset();
}

void Downsampler8x120dB::reset()
{
    std::memset(m_s3, 0, sizeof m_s3);
    std::memset(m_hold8, 0, sizeof m_hold8);
    m_held8 = 0;
    Downsampler4x120dB::reset();
}

template <int C>
int Downsampler8x120dB::run(Downsampler8x120dB* a, Downsampler8x120dB* b, const float* inA, const float* inB,
                            unsigned n, float* outA, float* outB)
{
    using namespace SHalfBand;
    float(*stateB10)[2] = C == 2 ? b->m_s10 : nullptr;
    float(*stateB4)[2] = C == 2 ? b->m_s4 : nullptr;
    float(*stateB3)[2] = C == 2 ? b->m_s3 : nullptr;
    Stage10 st10(kSet10, a->m_s10, stateB10);
    Stage4 st4(kSet4, a->m_s4, stateB4);
    Stage3 st3(kSet3, a->m_s3, stateB3);
    const SFloat4 half = SFloat4::splat(0.5f);
    const SFloat4 offset = SFloat4::splat(kAntiDenormal);
    auto group = [&](const float* xA, const float* xB, float* oA, float* oB) {
        const SFloat4 p0 = branchSum(st3.run(pairInput(xA, xB)));
        const SFloat4 p1 = branchSum(st3.run(pairInput(xA + 2, xB + 2)));
        const SFloat4 p2 = branchSum(st3.run(pairInput(xA + 4, xB + 4)));
        const SFloat4 p3 = branchSum(st3.run(pairInput(xA + 6, xB + 6)));
        const SFloat4 q0 = branchSum(st4.run(SFloat4::interleaveEven(p1, p0) + offset));
        const SFloat4 q1 = branchSum(st4.run(SFloat4::interleaveEven(p3, p2) + offset));
        const SFloat4 y = branchSum(st10.run(SFloat4::interleaveEven(q1, q0) + offset)) * half * half * half;
        *oA = y.lane0();
        if (C == 2)
            *oB = y.lane2();
    };
    const int count =
        decimate<8, C>(a->m_hold8, C == 2 ? b->m_hold8 : nullptr, a->m_held8, inA, inB, n, outA, outB, group);
    if (C == 2)
        b->m_held8 = a->m_held8;
    st10.store(a->m_s10, stateB10);
    st4.store(a->m_s4, stateB4);
    st3.store(a->m_s3, stateB3);
    return count;
}

int Downsampler8x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Downsampler8x120dB::processPair(Downsampler8x120dB& a, Downsampler8x120dB& b, const float* inA,
                                    const float* inB, unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
