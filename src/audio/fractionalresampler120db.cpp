#include "audio/fractionalresampler120db.h"

#include "audio/sfloat4.h"

#include <cmath>
#include <type_traits>

namespace {

template <typename T>
inline T k(float c)
{
    if constexpr (std::is_same_v<T, float>)
        return c;
    else
        return T::splat(c);
}

// The value between y0 and y1 at offset f in [-0.5, 0.5) from their midpoint.
template <typename T>
inline T interpolate(T ym1, T y0, T y1, T y2, T f)
{
    const T even1 = y0 + y1;
    const T odd1 = y1 - y0;
    const T even2 = ym1 + y2;
    const T odd2 = y2 - ym1;
    const T c0 = k<T>(0.467715323f) * even1 + k<T>(0.0322846696f) * even2;
    const T c1 = k<T>(0.554486573f) * odd1 + k<T>(0.148511812f) * odd2;
    const T c2 = k<T>(0.250587642f) * even2 - k<T>(0.250587285f) * even1;
    const T c3 = k<T>(0.163994148f) * odd2 - k<T>(0.492090195f) * odd1;
    const T c4 = k<T>(0.00255074538f) * even1 - k<T>(0.00255226903f) * even2;
    return (((c4 * f + c3) * f + c2) * f + c1) * f + c0;
}

// Ratios up to a million; smaller steps could stop the read position moving.
constexpr double kMinStep = 1e-6;

} // namespace

FractionalResampler120dB::FractionalResampler120dB(float ratio)
    : m_position(0.0)
    , m_step(1.0f / ratio)
    , m_ratio(ratio)
{
    FractionalResampler120dB::reset();
}

void FractionalResampler120dB::reset()
{
    m_position = 0.0;
    m_history[0] = m_history[1] = m_history[2] = 0.0f;
}

void FractionalResampler120dB::keepHistory(const float* in, unsigned n)
{
    if (n >= 3) {
        m_history[0] = in[n - 3];
        m_history[1] = in[n - 2];
        m_history[2] = in[n - 1];
        return;
    }
    // A sliding window over the stream: old history, then the new samples.
    float window[5] = {m_history[0], m_history[1], m_history[2], 0.0f, 0.0f};
    for (unsigned i = 0; i < n; ++i)
        window[3 + i] = in[i];
    for (int i = 0; i < 3; ++i)
        m_history[i] = window[n + static_cast<unsigned>(i)];
}

template <int C>
int FractionalResampler120dB::run(FractionalResampler120dB* a, FractionalResampler120dB* b, const float* inA,
                                  const float* inB, unsigned n, float* outA, float* outB)
{
    // head[j] is in[j - 3]: the history, then the first input samples.
    float headA[6] = {a->m_history[0], a->m_history[1], a->m_history[2], 0.0f, 0.0f, 0.0f};
    float headB[6] = {};
    for (unsigned i = 0; i < 3 && i < n; ++i)
        headA[3 + i] = inA[i];
    if (C == 2) {
        for (int i = 0; i < 3; ++i)
            headB[i] = b->m_history[i];
        for (unsigned i = 0; i < 3 && i < n; ++i)
            headB[3 + i] = inB[i];
    }

    const double step = a->m_step;
    const double end = n;
    double position = a->m_position;
    int count = 0;
    // A step too small to advance the position (or no valid ratio) makes nothing.
    const bool advances = std::isfinite(step) && step >= kMinStep;
    while (advances && position < end) {
        const unsigned i = static_cast<unsigned>(position);
        const float f = static_cast<float>(position - i) - 0.5f;
        const float* pa = i < 3 ? headA + i : inA + (i - 3);
        if (C == 2) {
            const float* pb = i < 3 ? headB + i : inB + (i - 3);
            const SFloat4 y = interpolate(SFloat4(pa[0], pb[0], 0.0f, 0.0f), SFloat4(pa[1], pb[1], 0.0f, 0.0f),
                                          SFloat4(pa[2], pb[2], 0.0f, 0.0f), SFloat4(pa[3], pb[3], 0.0f, 0.0f),
                                          SFloat4::splat(f));
            outA[count] = y.lane0();
            outB[count] = y.lane1();
        } else {
            outA[count] = interpolate(pa[0], pa[1], pa[2], pa[3], f);
        }
        ++count;
        position += step;
    }
    if (advances)
        a->m_position = position - end;
    a->keepHistory(inA, n);
    if (C == 2) {
        b->m_position = a->m_position;
        b->keepHistory(inB, n);
    }
    return count;
}

int FractionalResampler120dB::process(const float* in, unsigned n, float* out)
{
    return run<1>(this, nullptr, in, nullptr, n, out, nullptr);
}

int FractionalResampler120dB::processPair(FractionalResampler120dB& a, FractionalResampler120dB& b,
                                          const float* inA, const float* inB, unsigned n, float* outA, float* outB)
{
    return run<2>(&a, &b, inA, inB, n, outA, outB);
}
