#pragma once
// One polyphase half-band stage (two branches of first-order allpass sections)
// for the resampler kernels. Lanes hold [channel A branch 0, A branch 1,
// channel B branch 0, B branch 1], so a stage runs both branches of two
// channels with one vector operation per step.

#include "audio/sfloat4.h"

namespace SHalfBand {

// Coefficients per section, [section][branch], in chain order. The 3-coefficient
// set has a single section in branch 1; its second slot passes through.
inline constexpr float kSet10[5][2] = {{0.026872573f, 0.10211977f},
                                       {0.21186455f, 0.3389653f},
                                       {0.46822768f, 0.58941257f},
                                       {0.69777817f, 0.7931313f},
                                       {0.878509f, 0.9592121f}};
inline constexpr float kSet4[2][2] = {{0.04245471f, 0.17073984f}, {0.3933199f, 0.7457136f}};
inline constexpr float kSet3[2][2] = {{0.055907354f, 0.24352963f}, {0.64715314f, 0.0f}};

// Keeps float denormals away from the recursions.
inline constexpr float kAntiDenormal = 1e-12f;

// NS sections per branch; PassBranch1Last: branch 1 lacks the last section.
template <int NS, bool PassBranch1Last = false>
struct Stage
{
    SFloat4 a[NS];
    SFloat4 s[NS];

    // Without stateB (a single channel) lanes 2 and 3 run on scratch state.
    Stage(const float (&coef)[NS][2], const float (*stateA)[2], const float (*stateB)[2])
    {
        static constexpr float kZero[2] = {0.0f, 0.0f};
        for (int k = 0; k < NS; ++k) {
            a[k] = SFloat4(coef[k][0], coef[k][1], coef[k][0], coef[k][1]);
            s[k] = SFloat4::load2x2(stateA[k], stateB ? stateB[k] : kZero);
        }
    }

    void store(float (*stateA)[2], float (*stateB)[2]) const
    {
        float scratch[2];
        for (int k = 0; k < NS; ++k)
            s[k].store2x2(stateA[k], stateB ? stateB[k] : scratch);
    }

    // Runs each lane's input through its branch: w = x - a*s; y = a*w + s; s = w.
    SFloat4 run(SFloat4 x)
    {
        SFloat4 beforeLast;
        for (int k = 0; k < NS; ++k) {
            if (PassBranch1Last && k == NS - 1)
                beforeLast = x;
            const SFloat4 w = x - a[k] * s[k];
            x = a[k] * w + s[k];
            s[k] = w;
        }
        if (PassBranch1Last)
            x = SFloat4::blendOdd(x, beforeLast);
        return x;
    }
};

using Stage10 = Stage<5>;
using Stage4 = Stage<2>;
using Stage3 = Stage<2, true>;

// Branch 0 + branch 1 of each channel, in lanes 0 and 2.
inline SFloat4 branchSum(SFloat4 y)
{
    return y + y.swapPairs();
}

// Upsampler input: each channel's sample in both of its branches.
template <int C>
inline SFloat4 upInput(const float* inA, const float* inB, unsigned i)
{
    const SFloat4 x = C == 2 ? SFloat4(inA[i], inA[i], inB[i], inB[i]) : SFloat4::splat(inA[i]);
    return x + SFloat4::splat(kAntiDenormal);
}

// Stores [branch 0, branch 1] of each channel as two consecutive samples.
template <int C>
inline void storePair(SFloat4 y, float* outA, float* outB, unsigned i)
{
    if (C == 2)
        y.store2x2(outA + i, outB + i);
    else
        y.storeLow2(outA + i);
}

// Decimator input for one pair (early, late) per channel: branch 0 takes the
// late sample, branch 1 the early one.
inline SFloat4 pairInput(const float* a, const float* b)
{
    return SFloat4(a[1], a[0], b[1], b[0]) + SFloat4::splat(kAntiDenormal);
}

// Buffers whole groups of F input samples across calls and hands each group to
// group(xA, xB, outA, outB), which makes one output sample per channel. Both
// channels have seen the same counts, so one held count serves them.
template <int F, int C, typename Group>
int decimate(float* holdA, float* holdB, int& held, const float* inA, const float* inB, unsigned n, float* outA,
             float* outB, Group group)
{
    const unsigned long long avail = static_cast<unsigned long long>(held) + n;
    if (avail < F) {
        for (unsigned i = 0; i < n; ++i) {
            holdA[held + i] = inA[i];
            if (C == 2)
                holdB[held + i] = inB[i];
        }
        held += static_cast<int>(n);
        return 0;
    }
    int count = 0;
    unsigned pos = 0;
    if (held > 0) {
        pos = static_cast<unsigned>(F - held);
        for (unsigned i = 0; i < pos; ++i) {
            holdA[held + i] = inA[i];
            if (C == 2)
                holdB[held + i] = inB[i];
        }
        group(holdA, C == 2 ? holdB : holdA, outA, C == 2 ? outB : nullptr);
        ++count;
        held = 0;
    }
    for (; n - pos >= F; pos += F, ++count)
        group(inA + pos, C == 2 ? inB + pos : inA + pos, outA + count, C == 2 ? outB + count : nullptr);
    for (unsigned i = 0; pos + i < n; ++i) {
        holdA[i] = inA[pos + i];
        if (C == 2)
            holdB[i] = inB[pos + i];
    }
    held = static_cast<int>(n - pos);
    return count;
}

} // namespace SHalfBand
