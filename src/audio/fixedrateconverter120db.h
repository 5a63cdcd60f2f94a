#pragma once
#include "audio/iresampler.h"

class FractionalResampler120dB;

// Converts one channel by a fixed ratio (output rate / input rate): half-band
// stages for powers of two, the polynomial interpolator at 8× oversampling for
// everything else, and for arbitrary decimation an elliptic low-pass pre-filter
// tuned to the target Nyquist frequency. Output is not delay-compensated and is
// never flushed.
class FixedRateConverter120dB : public IResampler
{
public:
    enum class Stage { None, Up2, Up4, Up8, Residual4to8, Residual2to8, Down2, Down4, Down8 };
    struct Section
    {
        float b0, b1, b2, a1, a2; // a1, a2 carry the sign that is added in the recursion
        // Double states: with poles close to z = 1 (low tuned edges) float states
        // would add rounding noise only about 110 dB below the signal.
        double w1, w2;
    };
    static constexpr int kSections = 7;
    static constexpr unsigned kBufferSize = 8192;
    // Ratios outside this range build no chain and produce nothing.
    static constexpr float kMinRatio = 1.0f / 256.0f;
    static constexpr float kMaxRatio = 256.0f;

    explicit FixedRateConverter120dB(float ratio);
    ~FixedRateConverter120dB() override;
    FixedRateConverter120dB(const FixedRateConverter120dB&) = delete;
    FixedRateConverter120dB& operator=(const FixedRateConverter120dB&) = delete;

    void reset() override;
    int process(const float* in, unsigned n, float* out) override;
    // Two converters of the same ratio (two channels of one stream) in step; each
    // gets exactly what its own process() would give, at close to the cost of one.
    static int processPair(FixedRateConverter120dB& a, FixedRateConverter120dB& b, const float* inA,
                           const float* inB, unsigned n, float* outA, float* outB);

    static bool isSupportedRatio(float ratio);
    bool isValid() const { return m_valid; }
    float ratio() const { return m_ratio; }
    // The most samples one process() call on n input samples can write.
    unsigned maxOutput(unsigned n) const;

    // The chain as built.
    unsigned blockSize() const { return m_blockSize; }
    Stage stage() const { return m_stageKind; }
    const FractionalResampler120dB* fractionalStage() const { return m_fractional; }
    bool preFilterEnabled() const { return m_preFilterEnabled; }
    const Section& preFilterSection(int i) const { return m_sections[i]; }
    // Below 1/8 the signal is first decimated by stage(); this converter then
    // takes it to the target rate.
    const FixedRateConverter120dB* nextConverter() const { return m_next; }

private:
    void build();
    void tunePreFilter();
    template <int C>
    static int run(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n, float* const* out);
    template <int C>
    static void preFilter(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                          float* const* out);
    template <int C>
    static int runStage(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n, float* const* out);
    template <int C>
    static int runFractional(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                             float* const* out);

    float m_ratio;
    bool m_valid = false;
    IResampler* m_stage = nullptr;
    Stage m_stageKind = Stage::None;
    FractionalResampler120dB* m_fractional = nullptr;
    FixedRateConverter120dB* m_next = nullptr;
    unsigned m_blockSize = kBufferSize;
    bool m_preFilterEnabled = false;
    Section m_sections[kSections];
    float m_intermediate[kBufferSize];
    float m_preFiltered[kBufferSize];
};
