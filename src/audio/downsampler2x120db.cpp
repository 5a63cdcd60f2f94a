#include "audio/downsampler2x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Downsampler2x120dB::Downsampler2x120dB()
{
    Downsampler2x120dB::reset();
}

void Downsampler2x120dB::reset()
{
    std::memset(m_s10, 0, sizeof m_s10);
    std::memset(m_hold2, 0, sizeof m_hold2);
    m_held2 = 0;
}

template <int C>
int Downsampler2x120dB::run(Downsampler2x120dB* a, Downsampler2x120dB* b, const float* inA, const float* inB,
                            unsigned n, float* outA, float* outB)
{
    float(*stateB10)[2] = C == 2 ? b->m_s10 : nullptr;
    SHalfBand::Stage10 st10(SHalfBand::kSet10, a->m_s10, stateB10);
    const SFloat4 half = SFloat4::splat(0.5f);
    auto group = [&](const float* xA, const float* xB, float* oA, float* oB) {
        const SFloat4 y = SHalfBand::branchSum(st10.run(SHalfBand::pairInput(xA, xB))) * half;
        *oA = y.lane0();
        if (C == 2)
            *oB = y.lane2();
    };
    const int count = SHalfBand::decimate<2, C>(a->m_hold2, C == 2 ? b->m_hold2 : nullptr, a->m_held2, inA, inB, n,
                                                outA, outB, group);
    if (C == 2)
        b->m_held2 = a->m_held2;
    st10.store(a->m_s10, stateB10);
    return count;
}

int Downsampler2x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Downsampler2x120dB::processPair(Downsampler2x120dB& a, Downsampler2x120dB& b, const float* inA,
                                    const float* inB, unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
