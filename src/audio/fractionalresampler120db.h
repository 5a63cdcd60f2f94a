#pragma once
#include "audio/iresampler.h"

// Any ratio, by 4-point 4th-order polynomial interpolation. Meant for input that
// is already well oversampled; delays the signal by 2 input samples.
class FractionalResampler120dB : public IResampler
{
public:
    explicit FractionalResampler120dB(float ratio);
    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    // Two channels of the same ratio in step; each gets exactly what its own
    // process() would give.
    static int processPair(FractionalResampler120dB& a, FractionalResampler120dB& b, const float* inA,
                           const float* inB, unsigned n, float* outA, float* outB);

    float ratio() const { return m_ratio; }

private:
    template <int C>
    static int run(FractionalResampler120dB* a, FractionalResampler120dB* b, const float* inA, const float* inB,
                   unsigned n, float* outA, float* outB);
    void keepHistory(const float* in, unsigned n);

    double m_position;
    float m_step;
    float m_ratio;
    float m_history[3]; // oldest first
};
