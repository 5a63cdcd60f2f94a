#include "audio/upsampler2x120db.h"

#include "audio/shalfbandstage.h"

#include <cstring>

Upsampler2x120dB::Upsampler2x120dB()
{
    Upsampler2x120dB::reset();
}

void Upsampler2x120dB::reset()
{
    std::memset(m_s10, 0, sizeof m_s10);
}

template <int C>
int Upsampler2x120dB::run(Upsampler2x120dB* a, Upsampler2x120dB* b, const float* inA, const float* inB, unsigned n,
                          float* outA, float* outB)
{
    float(*stateB)[2] = C == 2 ? b->m_s10 : nullptr;
    SHalfBand::Stage10 st(SHalfBand::kSet10, a->m_s10, stateB);
    for (unsigned i = 0; i < n; ++i)
        SHalfBand::storePair<C>(st.run(SHalfBand::upInput<C>(inA, inB, i)), outA, outB, 2 * i);
    st.store(a->m_s10, stateB);
    return static_cast<int>(2 * n);
}

int Upsampler2x120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int Upsampler2x120dB::processPair(Upsampler2x120dB& a, Upsampler2x120dB& b, const float* inA, const float* inB,
                                  unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
