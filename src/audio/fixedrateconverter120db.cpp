#include "audio/fixedrateconverter120db.h"

#include "audio/downsampler8x120db.h"
#include "audio/fractionalresampler120db.h"
#include "audio/sfloat4.h"
#include "audio/upsampler8x120db.h"
#include "audio/upsamplerresidual2xto8x120db.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

namespace {

// 14th-order elliptic low-pass, stopband from kPrototypeEdge rad/sample; all of
// its gain sits in the first section.
constexpr FixedRateConverter120dB::Section kPrototype[FixedRateConverter120dB::kSections] = {
    {0.00105898967f, 0.00204622559f, 0.00105898967f, 1.08800721f, -0.334656328f, 0.0, 0.0},
    {1.0f, 1.50967145f, 1.0f, 0.852258325f, -0.46277827f, 0.0, 0.0},
    {1.0f, 1.02719045f, 1.0f, 0.545941114f, -0.630175233f, 0.0, 0.0},
    {1.0f, 0.677755117f, 1.0f, 0.294270635f, -0.769971311f, 0.0, 0.0},
    {1.0f, 0.46547091f, 1.0f, 0.126808748f, -0.867558062f, 0.0, 0.0},
    {1.0f, 0.349988371f, 1.0f, 0.0302109029f, -0.93260628f, 0.0, 0.0},
    {1.0f, 0.299832463f, 1.0f, -0.0134682795f, -0.979306877f, 0.0, 0.0},
};
constexpr float kPrototypeEdge = 1.71907949f;
constexpr double kAntiDenormal = 1e-12f;

template <typename T>
inline T splat(double c)
{
    if constexpr (std::is_same_v<T, double>)
        return c;
    else
        return T::splat(c);
}

} // namespace

FixedRateConverter120dB::FixedRateConverter120dB(float ratio)
    : m_ratio(ratio)
{
    std::memcpy(m_sections, kPrototype, sizeof m_sections);
    build();
    FixedRateConverter120dB::reset();
}

FixedRateConverter120dB::~FixedRateConverter120dB()
{
    delete m_stage;
    delete m_fractional;
    delete m_next;
}

bool FixedRateConverter120dB::isSupportedRatio(float ratio)
{
    return std::isfinite(ratio) && ratio >= kMinRatio && ratio <= kMaxRatio;
}

void FixedRateConverter120dB::build()
{
    const float r = m_ratio;
    m_valid = isSupportedRatio(r);
    if (!m_valid)
        return;

    // Built into owners first so that a failed allocation frees what was made.
    std::unique_ptr<IResampler> stage;
    std::unique_ptr<FractionalResampler120dB> fractional;
    std::unique_ptr<FixedRateConverter120dB> next;
    Stage kind = Stage::None;
    unsigned block = kBufferSize;
    bool preFilter = false;

    if (r == 1.0f) {
        block = 8192;
    } else if (r == 2.0f) {
        stage = std::make_unique<Upsampler2x120dB>();
        kind = Stage::Up2;
        block = 4096;
    } else if (r == 4.0f) {
        stage = std::make_unique<Upsampler4x120dB>();
        kind = Stage::Up4;
        block = 2048;
    } else if (r == 8.0f) {
        stage = std::make_unique<Upsampler8x120dB>();
        kind = Stage::Up8;
        block = 1024;
    } else if (r > 1.0f) {
        stage = std::make_unique<Upsampler8x120dB>();
        kind = Stage::Up8;
        fractional = std::make_unique<FractionalResampler120dB>(r / 8.0f);
        block = 1024;
    } else if (r == 0.5f) {
        stage = std::make_unique<Downsampler2x120dB>();
        kind = Stage::Down2;
    } else if (r == 0.25f) {
        stage = std::make_unique<Downsampler4x120dB>();
        kind = Stage::Down4;
    } else if (r == 0.125f) {
        stage = std::make_unique<Downsampler8x120dB>();
        kind = Stage::Down8;
    } else {
        const int k = static_cast<int>(std::ceil(static_cast<double>(r * 8.0f)));
        if (k >= 2) {
            // Once the pre-filter has removed everything above the target Nyquist
            // frequency, only the outer half-band stages are needed to reach 8×
            // oversampling relative to the target.
            preFilter = true;
            if (k == 2) {
                stage = std::make_unique<UpsamplerResidual4xto8x120dB>();
                kind = Stage::Residual4to8;
                fractional = std::make_unique<FractionalResampler120dB>(r / 2.0f);
                block = 4096;
            } else if (k <= 4) {
                stage = std::make_unique<UpsamplerResidual2xto8x120dB>();
                kind = Stage::Residual2to8;
                fractional = std::make_unique<FractionalResampler120dB>(r / 4.0f);
                block = 2048;
            } else {
                stage = std::make_unique<Upsampler8x120dB>();
                kind = Stage::Up8;
                fractional = std::make_unique<FractionalResampler120dB>(r / 8.0f);
                block = 1024;
            }
        } else {
            // Below 1/8 the chain above cannot reach the target rate: halve the rate
            // first, then convert the rest (which halves again while it is still
            // below 1/8). The 10-coefficient stage runs at each input rate: its
            // stopband keeps what folds into the target band 120 dB down, where
            // the wider 4- and 3-coefficient stages of a ÷4 or ÷8 would not.
            stage = std::make_unique<Downsampler2x120dB>();
            kind = Stage::Down2;
            next = std::make_unique<FixedRateConverter120dB>(r * 2.0f);
        }
    }

    m_stage = stage.release();
    m_stageKind = kind;
    m_fractional = fractional.release();
    m_next = next.release();
    m_blockSize = block;
    m_preFilterEnabled = preFilter;
    if (m_preFilterEnabled)
        tunePreFilter();
}

void FixedRateConverter120dB::tunePreFilter()
{
    // Low-pass to low-pass transformation z^-1 -> (z^-1 + g) / (1 + g z^-1): moves
    // the stopband edge to the target Nyquist frequency. Designed in double.
    const float omega = static_cast<float>(static_cast<double>(m_ratio) * std::numbers::pi);
    if (omega == kPrototypeEdge)
        return;
    const double theta = kPrototypeEdge;
    const double w = omega;
    const double g = -std::sin((theta - w) / 2.0) / std::sin((theta + w) / 2.0);
    const double g2 = g * g;
    for (int i = 0; i < kSections; ++i) {
        const double b0 = kPrototype[i].b0, b1 = kPrototype[i].b1, b2 = kPrototype[i].b2;
        const double a1 = kPrototype[i].a1, a2 = kPrototype[i].a2;
        const double l = 1.0 - g * a1 - g2 * a2;
        Section& s = m_sections[i];
        s.b0 = static_cast<float>((b0 + g * b1 + g2 * b2) / l);
        s.b1 = static_cast<float>((2.0 * g * b0 + (1.0 + g2) * b1 + 2.0 * g * b2) / l);
        s.b2 = static_cast<float>((g2 * b0 + g * b1 + b2) / l);
        s.a1 = static_cast<float>(-(2.0 * g - (1.0 + g2) * a1 - 2.0 * g * a2) / l);
        s.a2 = static_cast<float>(-(g2 - g * a1 - a2) / l);
    }
}

void FixedRateConverter120dB::reset()
{
    for (Section& s : m_sections)
        s.w1 = s.w2 = 0.0;
    if (m_stage)
        m_stage->reset();
    if (m_fractional)
        m_fractional->reset();
    if (m_next)
        m_next->reset();
}

unsigned FixedRateConverter120dB::maxOutput(unsigned n) const
{
    if (!m_valid)
        return 0;
    // The read positions of a whole stream advance by exactly one step per
    // output, so one call can exceed n·r only by rounding of the step and by
    // the positions and held samples carried across calls.
    return static_cast<unsigned>(std::ceil(static_cast<double>(n) * m_ratio * (1.0 + 1e-6))) + 8;
}

template <int C>
void FixedRateConverter120dB::preFilter(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                                        float* const* out)
{
    using T = std::conditional_t<C == 2, SDouble2, double>;
    const Section* s = cv[0]->m_sections;
    T b0[kSections], b1[kSections], b2[kSections], a1[kSections], a2[kSections], w1[kSections], w2[kSections];
    for (int k = 0; k < kSections; ++k) {
        b0[k] = splat<T>(s[k].b0);
        b1[k] = splat<T>(s[k].b1);
        b2[k] = splat<T>(s[k].b2);
        a1[k] = splat<T>(s[k].a1);
        a2[k] = splat<T>(s[k].a2);
        if constexpr (C == 2) {
            w1[k] = SDouble2(s[k].w1, cv[1]->m_sections[k].w1);
            w2[k] = SDouble2(s[k].w2, cv[1]->m_sections[k].w2);
        } else {
            w1[k] = s[k].w1;
            w2[k] = s[k].w2;
        }
    }
    const T offset = splat<T>(kAntiDenormal);
    for (unsigned i = 0; i < n; ++i) {
        T x;
        if constexpr (C == 2)
            x = SDouble2(in[0][i], in[1][i]);
        else
            x = in[0][i];
        for (int k = 0; k < kSections; ++k) {
            const T w = x + offset + a1[k] * w1[k] + a2[k] * w2[k];
            x = b0[k] * w + b1[k] * w1[k] + b2[k] * w2[k];
            w2[k] = w1[k];
            w1[k] = w;
        }
        if constexpr (C == 2) {
            out[0][i] = static_cast<float>(x.lane0());
            out[1][i] = static_cast<float>(x.lane1());
        } else {
            out[0][i] = static_cast<float>(x);
        }
    }
    for (int k = 0; k < kSections; ++k) {
        if constexpr (C == 2) {
            cv[0]->m_sections[k].w1 = w1[k].lane0();
            cv[0]->m_sections[k].w2 = w2[k].lane0();
            cv[1]->m_sections[k].w1 = w1[k].lane1();
            cv[1]->m_sections[k].w2 = w2[k].lane1();
        } else {
            cv[0]->m_sections[k].w1 = w1[k];
            cv[0]->m_sections[k].w2 = w2[k];
        }
    }
}

template <int C>
int FixedRateConverter120dB::runStage(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                                      float* const* out)
{
    if constexpr (C == 1) {
        return cv[0]->m_stage->process(in[0], n, out[0]);
    } else {
        IResampler* a = cv[0]->m_stage;
        IResampler* b = cv[1]->m_stage;
        switch (cv[0]->m_stageKind) {
        case Stage::Up2:
            return Upsampler2x120dB::processPair(*static_cast<Upsampler2x120dB*>(a),
                                                 *static_cast<Upsampler2x120dB*>(b), in[0], in[1], n, out[0], out[1]);
        case Stage::Up4:
            return Upsampler4x120dB::processPair(*static_cast<Upsampler4x120dB*>(a),
                                                 *static_cast<Upsampler4x120dB*>(b), in[0], in[1], n, out[0], out[1]);
        case Stage::Up8:
            return Upsampler8x120dB::processPair(*static_cast<Upsampler8x120dB*>(a),
                                                 *static_cast<Upsampler8x120dB*>(b), in[0], in[1], n, out[0], out[1]);
        case Stage::Residual4to8:
            return UpsamplerResidual4xto8x120dB::processPair(*static_cast<UpsamplerResidual4xto8x120dB*>(a),
                                                             *static_cast<UpsamplerResidual4xto8x120dB*>(b), in[0],
                                                             in[1], n, out[0], out[1]);
        case Stage::Residual2to8:
            return UpsamplerResidual2xto8x120dB::processPair(*static_cast<UpsamplerResidual2xto8x120dB*>(a),
                                                             *static_cast<UpsamplerResidual2xto8x120dB*>(b), in[0],
                                                             in[1], n, out[0], out[1]);
        case Stage::Down2:
            return Downsampler2x120dB::processPair(*static_cast<Downsampler2x120dB*>(a),
                                                   *static_cast<Downsampler2x120dB*>(b), in[0], in[1], n, out[0],
                                                   out[1]);
        case Stage::Down4:
            return Downsampler4x120dB::processPair(*static_cast<Downsampler4x120dB*>(a),
                                                   *static_cast<Downsampler4x120dB*>(b), in[0], in[1], n, out[0],
                                                   out[1]);
        case Stage::Down8:
            return Downsampler8x120dB::processPair(*static_cast<Downsampler8x120dB*>(a),
                                                   *static_cast<Downsampler8x120dB*>(b), in[0], in[1], n, out[0],
                                                   out[1]);
        case Stage::None:
            break;
        }
        return 0;
    }
}

template <int C>
int FixedRateConverter120dB::runFractional(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                                           float* const* out)
{
    if constexpr (C == 1)
        return cv[0]->m_fractional->process(in[0], n, out[0]);
    else
        return FractionalResampler120dB::processPair(*cv[0]->m_fractional, *cv[1]->m_fractional, in[0], in[1], n,
                                                     out[0], out[1]);
}

template <int C>
int FixedRateConverter120dB::run(FixedRateConverter120dB* const* cv, const float* const* in, unsigned n,
                                 float* const* out)
{
    FixedRateConverter120dB& a = *cv[0];
    if (n == 0 || !a.m_valid)
        return 0;
    const float* src[2] = {in[0], C == 2 ? in[1] : nullptr};
    float* dst[2] = {out[0], C == 2 ? out[1] : nullptr};
    const float* filtered[2] = {a.m_preFiltered, C == 2 ? cv[1]->m_preFiltered : nullptr};
    float* filteredOut[2] = {a.m_preFiltered, C == 2 ? cv[1]->m_preFiltered : nullptr};
    const float* mid[2] = {a.m_intermediate, C == 2 ? cv[1]->m_intermediate : nullptr};
    float* midOut[2] = {a.m_intermediate, C == 2 ? cv[1]->m_intermediate : nullptr};
    int total = 0;
    while (n > 0) {
        const unsigned c = std::min(n, a.m_blockSize);
        const float* const* source = src;
        if (a.m_preFilterEnabled) {
            preFilter<C>(cv, src, c, filteredOut);
            source = filtered;
        }
        int produced = 0;
        if (a.m_fractional) {
            if (a.m_stage) {
                const int m = runStage<C>(cv, source, c, midOut);
                produced = runFractional<C>(cv, mid, static_cast<unsigned>(m), dst);
            } else {
                produced = runFractional<C>(cv, source, c, dst);
            }
        } else if (a.m_next) {
            const int m = runStage<C>(cv, source, c, midOut);
            FixedRateConverter120dB* next[2] = {a.m_next, C == 2 ? cv[1]->m_next : nullptr};
            produced = run<C>(next, mid, static_cast<unsigned>(m), dst);
        } else if (a.m_stage) {
            produced = runStage<C>(cv, source, c, dst);
        } else {
            for (int ch = 0; ch < C; ++ch)
                std::memmove(dst[ch], source[ch], c * sizeof(float));
            produced = static_cast<int>(c);
        }
        for (int ch = 0; ch < C; ++ch) {
            src[ch] += c;
            dst[ch] += produced;
        }
        total += produced;
        n -= c;
    }
    return total;
}

int FixedRateConverter120dB::process(const float* in, unsigned n, float* out)
{
    FixedRateConverter120dB* cv[1] = {this};
    return run<1>(cv, &in, n, &out);
}

int FixedRateConverter120dB::processPair(FixedRateConverter120dB& a, FixedRateConverter120dB& b, const float* inA,
                                         const float* inB, unsigned n, float* outA, float* outB)
{
    if (a.m_ratio != b.m_ratio && !(std::isnan(a.m_ratio) && std::isnan(b.m_ratio))) {
        // Different chains cannot run in step.
        b.process(inB, n, outB);
        return a.process(inA, n, outA);
    }
    FixedRateConverter120dB* cv[2] = {&a, &b};
    const float* in[2] = {inA, inB};
    float* out[2] = {outA, outB};
    return run<2>(cv, in, n, out);
}
