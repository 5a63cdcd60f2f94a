#include "audio/downsampler8x120db.h"
#include "audio/fixedrateconverter120db.h"
#include "audio/fractionalresampler120db.h"
#include "audio/upsampler8x120db.h"
#include "audio/upsamplerresidual2xto8x120db.h"

#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <complex>
#include <functional>
#include <memory>
#include <new>
#include <vector>

// Counts heap allocations so that the tests can prove process() makes none.
static std::atomic<long> g_allocations{0};
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using Factory = std::function<IResampler*()>;
Q_DECLARE_METATYPE(Factory)

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> noise(unsigned n, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::vector<float> v(n);
    for (float& x : v)
        x = static_cast<float>(rng.generateDouble() * 1.6 - 0.8);
    return v;
}

std::vector<float> tone(unsigned n, double freq, double rate, double amp = 0.5)
{
    std::vector<float> v(n);
    for (unsigned i = 0; i < n; ++i)
        v[i] = static_cast<float>(amp * std::sin(2.0 * kPi * freq * i / rate));
    return v;
}

// Room for what any resampler here makes from n samples.
std::vector<float> runAll(IResampler& r, const std::vector<float>& in, const std::vector<unsigned>& sizes)
{
    std::vector<float> out(in.size() * 260 + 64);
    size_t pos = 0, produced = 0;
    size_t k = 0;
    while (pos < in.size()) {
        unsigned n = sizes.empty() ? static_cast<unsigned>(in.size()) : sizes[k++ % sizes.size()];
        n = static_cast<unsigned>(std::min<size_t>(n, in.size() - pos));
        produced += static_cast<size_t>(r.process(in.data() + pos, n, out.data() + produced));
        pos += n;
    }
    out.resize(produced);
    return out;
}

// RMS of what is left after removing the best-fitting sine of the given
// frequency, relative to that sine's amplitude, in dB.
double residualDb(const std::vector<float>& y, size_t from, double freq, double rate)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t i = from; i < y.size(); ++i) {
        const double s = std::sin(2 * kPi * freq * i / rate), c = std::cos(2 * kPi * freq * i / rate);
        ss += s * s, sc += s * c, cc += c * c, ys += y[i] * s, yc += y[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double err = 0;
    for (size_t i = from; i < y.size(); ++i) {
        const double e = y[i] - a * std::sin(2 * kPi * freq * i / rate) - b * std::cos(2 * kPi * freq * i / rate);
        err += e * e;
    }
    const double rms = std::sqrt(err / static_cast<double>(y.size() - from));
    return 20 * std::log10(rms / std::hypot(a, b));
}

// The float ratio sets the true output rate to within about 1e-7; find it.
double bestResidualDb(const std::vector<float>& y, size_t from, double freq, double rate)
{
    double lo = freq * (1 - 1e-6), hi = freq * (1 + 1e-6);
    for (int i = 0; i < 24; ++i) {
        const double m1 = lo + (hi - lo) * 0.382, m2 = lo + (hi - lo) * 0.618;
        if (residualDb(y, from, m1, rate) < residualDb(y, from, m2, rate))
            hi = m2;
        else
            lo = m1;
    }
    return residualDb(y, from, (lo + hi) / 2, rate);
}

// |H| in dB of the converter's pre-filter at w rad/sample, from its coefficients.
double preFilterGainDb(const FixedRateConverter120dB& c, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
    std::complex<double> h = 1.0;
    for (int i = 0; i < FixedRateConverter120dB::kSections; ++i) {
        const auto& s = c.preFilterSection(i);
        h *= (double(s.b0) + double(s.b1) * z1 + double(s.b2) * z2) / (1.0 - double(s.a1) * z1 - double(s.a2) * z2);
    }
    return 20 * std::log10(std::abs(h));
}

} // namespace

class TestResamplers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void chainSelection_data();
    void chainSelection();
    void unityRatioCopies();
    void blockSplitIdentity_data();
    void blockSplitIdentity();
    void pairMatchesSingleChannels_data();
    void pairMatchesSingleChannels();
    void decimatorHoldsPartialGroup();
    void constantInputSettles_data();
    void constantInputSettles();
    void outputLength_data();
    void outputLength();
    void toneStaysClean_data();
    void toneStaysClean();
    void preFilterTuning_data();
    void preFilterTuning();
    void resetStartsNewStream();
    void unsupportedRatioMakesNothing_data();
    void unsupportedRatioMakesNothing();
    void processAllocatesNothing();
};

void TestResamplers::chainSelection_data()
{
    QTest::addColumn<float>("ratio");
    QTest::addColumn<int>("stage");
    QTest::addColumn<unsigned>("block");
    QTest::addColumn<float>("fractional"); // 0: none
    QTest::addColumn<bool>("preFilter");
    QTest::addColumn<float>("nextRatio"); // 0: no second converter
    using S = FixedRateConverter120dB::Stage;
    QTest::newRow("1") << 1.0f << int(S::None) << 8192u << 0.0f << false << 0.0f;
    QTest::newRow("22050->44100") << 2.0f << int(S::Up2) << 4096u << 0.0f << false << 0.0f;
    QTest::newRow("x4") << 4.0f << int(S::Up4) << 2048u << 0.0f << false << 0.0f;
    QTest::newRow("x8") << 8.0f << int(S::Up8) << 1024u << 0.0f << false << 0.0f;
    QTest::newRow("44100->48000") << float(48000.0 / 44100) << int(S::Up8) << 1024u << float(48000.0 / 44100) / 8
                                  << false << 0.0f;
    QTest::newRow("88200->44100") << 0.5f << int(S::Down2) << 8192u << 0.0f << false << 0.0f;
    QTest::newRow("/4") << 0.25f << int(S::Down4) << 8192u << 0.0f << false << 0.0f;
    QTest::newRow("/8") << 0.125f << int(S::Down8) << 8192u << 0.0f << false << 0.0f;
    QTest::newRow("48000->44100") << 0.91875f << int(S::Up8) << 1024u << 0.11484375f << true << 0.0f;
    QTest::newRow("96000->44100") << 0.459375f << int(S::Residual2to8) << 2048u << 0.11484375f << true << 0.0f;
    QTest::newRow("192000->44100") << 0.2296875f << int(S::Residual4to8) << 4096u << 0.11484375f << true << 0.0f;
    QTest::newRow("384000->44100") << 0.11484375f << int(S::Down2) << 8192u << 0.0f << false << 0.2296875f;
    QTest::newRow("384000->8000") << float(8000.0 / 384000) << int(S::Down2) << 8192u << 0.0f << false
                                  << float(8000.0 / 384000) * 2;
}

void TestResamplers::chainSelection()
{
    QFETCH(float, ratio);
    QFETCH(int, stage);
    QFETCH(unsigned, block);
    QFETCH(float, fractional);
    QFETCH(bool, preFilter);
    QFETCH(float, nextRatio);
    FixedRateConverter120dB c(ratio);
    QVERIFY(c.isValid());
    QCOMPARE(int(c.stage()), stage);
    QCOMPARE(c.blockSize(), block);
    QCOMPARE(c.preFilterEnabled(), preFilter);
    if (fractional == 0.0f)
        QVERIFY(!c.fractionalStage());
    else
        QCOMPARE(c.fractionalStage()->ratio(), fractional);
    if (nextRatio == 0.0f) {
        QVERIFY(!c.nextConverter());
    } else {
        QVERIFY(c.nextConverter());
        QCOMPARE(c.nextConverter()->ratio(), nextRatio);
    }
}

void TestResamplers::unityRatioCopies()
{
    const std::vector<float> in = noise(20000, 1);
    FixedRateConverter120dB c(1.0f);
    const std::vector<float> out = runAll(c, in, {});
    QVERIFY(out == in);
}

void TestResamplers::blockSplitIdentity_data()
{
    QTest::addColumn<Factory>("make");
    QTest::addColumn<std::vector<unsigned>>("sizes");
    const std::vector<std::pair<const char*, Factory>> kinds = {
        {"up2", [] { return new Upsampler2x120dB; }},
        {"up4", [] { return new Upsampler4x120dB; }},
        {"up8", [] { return new Upsampler8x120dB; }},
        {"residual4to8", [] { return new UpsamplerResidual4xto8x120dB; }},
        {"residual2to8", [] { return new UpsamplerResidual2xto8x120dB; }},
        {"down2", [] { return new Downsampler2x120dB; }},
        {"down4", [] { return new Downsampler4x120dB; }},
        {"down8", [] { return new Downsampler8x120dB; }},
        {"fractional 0.37", [] { return new FractionalResampler120dB(0.37f); }},
        {"fractional 2.9", [] { return new FractionalResampler120dB(2.9f); }},
        {"converter 48000->44100", [] { return new FixedRateConverter120dB(0.91875f); }},
        {"converter 96000->44100", [] { return new FixedRateConverter120dB(0.459375f); }},
        {"converter 192000->44100", [] { return new FixedRateConverter120dB(0.2296875f); }},
        {"converter 384000->44100", [] { return new FixedRateConverter120dB(0.11484375f); }},
        {"converter 384000->8000", [] { return new FixedRateConverter120dB(8000.0f / 384000.0f); }},
        {"converter 32000->44100", [] { return new FixedRateConverter120dB(1.378125f); }},
        {"converter 88200->44100", [] { return new FixedRateConverter120dB(0.5f); }},
    };
    const std::vector<std::pair<const char*, std::vector<unsigned>>> splits = {
        {"ones", {1}}, {"odd sizes", {7, 1, 3, 1029, 2, 5000, 13}}, {"past block size", {8191, 8193, 9000}}};
    for (const auto& [kind, make] : kinds)
        for (const auto& [split, sizes] : splits)
            QTest::addRow("%s, %s", kind, split) << make << sizes;
}

void TestResamplers::blockSplitIdentity()
{
    QFETCH(Factory, make);
    QFETCH(std::vector<unsigned>, sizes);
    const std::vector<float> in = noise(30000, 7);
    std::unique_ptr<IResampler> whole(make()), split(make());
    const std::vector<float> expected = runAll(*whole, in, {});
    const std::vector<float> got = runAll(*split, in, sizes);
    QCOMPARE(got.size(), expected.size());
    QVERIFY(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)) == 0);
}

void TestResamplers::pairMatchesSingleChannels_data()
{
    QTest::addColumn<float>("ratio");
    for (float r : {1.0f, 2.0f, 4.0f, 8.0f, 1.378125f, 0.5f, 0.25f, 0.125f, 0.91875f, 0.459375f, 0.2296875f,
                    0.11484375f, 8000.0f / 384000.0f})
        QTest::addRow("%g", double(r)) << r;
}

void TestResamplers::pairMatchesSingleChannels()
{
    QFETCH(float, ratio);
    const std::vector<float> left = noise(20000, 3), right = tone(20000, 997.0, 48000.0);
    FixedRateConverter120dB l(ratio), r(ratio), pl(ratio), pr(ratio);
    const std::vector<unsigned> sizes = {5, 4096, 1, 9999};
    const std::vector<float> expectL = runAll(l, left, sizes), expectR = runAll(r, right, sizes);
    std::vector<float> outL(pl.maxOutput(20000) * 2), outR(outL.size());
    size_t pos = 0, made = 0, k = 0;
    while (pos < left.size()) {
        const unsigned n = static_cast<unsigned>(std::min<size_t>(sizes[k++ % sizes.size()], left.size() - pos));
        made += size_t(FixedRateConverter120dB::processPair(pl, pr, left.data() + pos, right.data() + pos, n,
                                                            outL.data() + made, outR.data() + made));
        pos += n;
    }
    QCOMPARE(made, expectL.size());
    QVERIFY(std::memcmp(outL.data(), expectL.data(), made * sizeof(float)) == 0);
    QVERIFY(std::memcmp(outR.data(), expectR.data(), made * sizeof(float)) == 0);
}

void TestResamplers::decimatorHoldsPartialGroup()
{
    Downsampler8x120dB d;
    const std::vector<float> in = noise(8, 5);
    float out[4] = {};
    QCOMPARE(d.process(in.data(), 5, out), 0);
    QCOMPARE(d.process(in.data() + 5, 3, out), 1);
    Downsampler8x120dB whole;
    float expected[1] = {};
    QCOMPARE(whole.process(in.data(), 8, expected), 1);
    QCOMPARE(out[0], expected[0]);
}

void TestResamplers::constantInputSettles_data()
{
    QTest::addColumn<Factory>("make");
    QTest::addColumn<float>("tolerance");
    QTest::newRow("up2") << Factory([] { return new Upsampler2x120dB; }) << 2e-5f;
    QTest::newRow("up8") << Factory([] { return new Upsampler8x120dB; }) << 2e-5f;
    QTest::newRow("residual2to8") << Factory([] { return new UpsamplerResidual2xto8x120dB; }) << 2e-5f;
    QTest::newRow("down2") << Factory([] { return new Downsampler2x120dB; }) << 2e-5f;
    QTest::newRow("down8") << Factory([] { return new Downsampler8x120dB; }) << 2e-5f;
    QTest::newRow("fractional") << Factory([] { return new FractionalResampler120dB(0.7f); }) << 2e-5f;
    for (float r : {1.088435f, 2.0f, 0.5f})
        QTest::addRow("converter %g", double(r)) << Factory([r] { return new FixedRateConverter120dB(r); }) << 2e-5f;
    // The pre-filter's passband ripple (about 0.06 dB) includes zero frequency.
    for (float r : {0.91875f, 0.459375f, 0.2296875f, 0.11484375f})
        QTest::addRow("converter %g", double(r)) << Factory([r] { return new FixedRateConverter120dB(r); })
                                                 << 0.5f * 0.0075f;
}

void TestResamplers::constantInputSettles()
{
    QFETCH(Factory, make);
    QFETCH(float, tolerance);
    std::unique_ptr<IResampler> r(make());
    const std::vector<float> in(20000, 0.5f);
    const std::vector<float> out = runAll(*r, in, {});
    QVERIFY(out.size() > 1000);
    for (size_t i = out.size() - 500; i < out.size(); ++i)
        QVERIFY2(std::fabs(out[i] - 0.5f) < tolerance, qPrintable(QStringLiteral("sample %1: %2").arg(i).arg(out[i])));
}

void TestResamplers::outputLength_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (auto [from, to] : std::vector<std::pair<int, int>>{{48000, 44100},
                                                           {96000, 44100},
                                                           {22050, 44100},
                                                           {88200, 44100},
                                                           {32000, 44100},
                                                           {192000, 44100},
                                                           {384000, 44100},
                                                           {8000, 44100},
                                                           {384000, 8000},
                                                           {44100, 48000}})
        QTest::addRow("%d->%d", from, to) << from << to;
}

void TestResamplers::outputLength()
{
    QFETCH(int, from);
    QFETCH(int, to);
    const float ratio = float(double(to) / from);
    FixedRateConverter120dB c(ratio);
    const std::vector<float> in = noise(100003, 11);
    const std::vector<float> out = runAll(c, in, {333, 4097, 1});
    QVERIFY2(std::fabs(double(out.size()) - in.size() * double(ratio)) <= 3.0,
             qPrintable(QStringLiteral("%1 samples").arg(out.size())));
    QVERIFY(c.maxOutput(4097) >= unsigned(std::ceil(4097 * ratio)));
}

void TestResamplers::toneStaysClean_data()
{
    outputLength_data();
}

void TestResamplers::toneStaysClean()
{
    QFETCH(int, from);
    QFETCH(int, to);
    FixedRateConverter120dB c(float(double(to) / from));
    const double freq = 997.0;
    const std::vector<float> out = runAll(c, tone(unsigned(from / 2), freq, from, 0.9), {4000});
    const double db = bestResidualDb(out, out.size() / 4, freq, to);
    QVERIFY2(db < -115.0, qPrintable(QStringLiteral("residual %1 dB").arg(db)));
}

void TestResamplers::preFilterTuning_data()
{
    QTest::addColumn<float>("ratio");
    for (float r : {0.91875f, 0.7f, 0.459375f, 0.2296875f, 0.16f})
        QTest::addRow("%g", double(r)) << r;
}

void TestResamplers::preFilterTuning()
{
    QFETCH(float, ratio);
    FixedRateConverter120dB c(ratio);
    QVERIFY(c.preFilterEnabled());
    const double edge = ratio * kPi;
    // Passband well below the edge: flat; stopband from the edge on: ~120 dB down.
    for (double w = 0.001; w <= 0.45 * edge; w += 0.01 * edge)
        QVERIFY2(std::fabs(preFilterGainDb(c, w)) < 0.07, qPrintable(QString::number(w)));
    for (double w = edge; w < kPi; w += 0.002)
        QVERIFY2(preFilterGainDb(c, w) < -115.0, qPrintable(QString::number(w)));
}

void TestResamplers::resetStartsNewStream()
{
    const std::vector<float> in = noise(5003, 9);
    FixedRateConverter120dB fresh(0.459375f), used(0.459375f);
    runAll(used, noise(777, 2), {});
    used.reset();
    const std::vector<float> a = runAll(fresh, in, {}), b = runAll(used, in, {});
    QVERIFY(a == b);
}

void TestResamplers::unsupportedRatioMakesNothing_data()
{
    QTest::addColumn<float>("ratio");
    QTest::newRow("zero") << 0.0f;
    QTest::newRow("negative") << -1.0f;
    QTest::newRow("nan") << std::nanf("");
    QTest::newRow("infinite") << HUGE_VALF;
    QTest::newRow("tiny") << 1e-6f;
    QTest::newRow("huge") << 44100.0f;
}

void TestResamplers::unsupportedRatioMakesNothing()
{
    QFETCH(float, ratio);
    FixedRateConverter120dB c(ratio);
    QVERIFY(!c.isValid());
    const std::vector<float> in = noise(100, 1);
    float out[16] = {};
    QCOMPARE(c.process(in.data(), 100, out), 0);
}

void TestResamplers::processAllocatesNothing()
{
    std::vector<std::unique_ptr<FixedRateConverter120dB>> cs;
    for (float r : {2.0f, 0.5f, 0.91875f, 0.459375f, 0.11484375f, 1.088435f})
        cs.emplace_back(new FixedRateConverter120dB(r));
    const std::vector<float> in = noise(20000, 4);
    std::vector<float> out(in.size() * 3), out2(out.size());
    const long before = g_allocations;
    for (auto& c : cs) {
        c->process(in.data(), unsigned(in.size()), out.data());
        FixedRateConverter120dB::processPair(*c, *c, in.data(), in.data(), 1000, out.data(), out2.data());
    }
    QCOMPARE(g_allocations.load(), before);
}

QTEST_GUILESS_MAIN(TestResamplers)
#include "tst_resamplers.moc"
