// Throughput and quality of FixedRateConverter120dB against libsoxr's very-high-
// quality setting, both measured in this run on the same input.

#include "audio/fixedrateconverter120db.h"
#include "benchsignal.h"

#include <soxr.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace BenchSignal;

namespace {

constexpr int kOutRate = 44100;
constexpr double kSeconds = 60.0;
constexpr unsigned kBlock = 32768; // what the file conversion hands over per call

// Converts a mono signal and returns the whole output.
std::vector<float> convertMono(const std::vector<float>& in, float ratio)
{
    FixedRateConverter120dB c(ratio);
    std::vector<float> out(c.maxOutput(unsigned(in.size())) + 16);
    size_t made = 0;
    for (size_t pos = 0; pos < in.size(); pos += kBlock) {
        const unsigned n = unsigned(std::min<size_t>(kBlock, in.size() - pos));
        made += size_t(c.process(in.data() + pos, n, out.data() + made));
    }
    out.resize(made);
    return out;
}

double oursCpuSeconds(const std::vector<float>& left, const std::vector<float>& right, float ratio)
{
    FixedRateConverter120dB l(ratio), r(ratio);
    std::vector<float> outL(l.maxOutput(kBlock)), outR(outL.size());
    const double t0 = threadCpuSeconds();
    size_t made = 0;
    for (size_t pos = 0; pos < left.size(); pos += kBlock) {
        const unsigned n = unsigned(std::min<size_t>(kBlock, left.size() - pos));
        made += size_t(FixedRateConverter120dB::processPair(l, r, left.data() + pos, right.data() + pos, n,
                                                            outL.data(), outR.data()));
    }
    const double t = threadCpuSeconds() - t0;
    if (made == 0)
        std::printf("no output\n");
    return t;
}

double soxrCpuSeconds(const std::vector<float>& left, const std::vector<float>& right, double inRate)
{
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t s = soxr_create(inRate, kOutRate, 2, &error, &io, &quality, &runtime);
    if (!s) {
        std::printf("soxr: %s\n", error);
        return 0;
    }
    const size_t outCap = size_t(double(kBlock) * kOutRate / inRate) + 64;
    std::vector<float> outL(outCap), outR(outCap);
    const double t0 = threadCpuSeconds();
    for (size_t pos = 0; pos < left.size(); pos += kBlock) {
        const size_t n = std::min<size_t>(kBlock, left.size() - pos);
        const float* in[2] = {left.data() + pos, right.data() + pos};
        float* out[2] = {outL.data(), outR.data()};
        size_t done = 0;
        soxr_process(s, in, n, nullptr, out, outCap, &done);
    }
    const double t = threadCpuSeconds() - t0;
    soxr_delete(s);
    return t;
}

// Worst rejection (dB) of tones between the output Nyquist frequency and the
// input's, measured on what lands at or below 20 kHz. 0 when there is no such tone.
double aliasRejection(int inRate, float ratio)
{
    const double lo = kOutRate / 2.0 + 50, hi = inRate / 2.0 * 0.995;
    if (hi <= lo)
        return 0;
    double worst = 1e9;
    for (int i = 0; i < 24; ++i) {
        const double f = lo + (hi - lo) * i / 23.0;
        const std::vector<float> out = convertMono(tone(size_t(inRate) * 3 / 4, f, inRate, 0.5), ratio);
        const size_t n = 16384;
        const double p = bandPower(out, out.size() - n, n, kOutRate, 20000.0);
        worst = std::min(worst, -10 * std::log10(std::max(p, 1e-30) / (0.5 * 0.5 / 2)));
    }
    return worst;
}

// Peak-to-peak gain variation (dB) from 20 Hz to 19.5 kHz (or 95% of the input
// Nyquist frequency when that is lower).
double passbandRipple(int inRate, float ratio)
{
    const double top = std::min(19500.0, inRate / 2.0 * 0.95);
    double gmin = 1e9, gmax = -1e9;
    for (int i = 0; i <= 40; ++i) {
        const double f = 20.0 * std::pow(top / 20.0, i / 40.0);
        const std::vector<float> out = convertMono(tone(size_t(inRate) / 5, f, inRate, 0.5), ratio);
        const size_t from = out.size() / 3;
        const double g = 20 * std::log10(fitSineRefined(out, from, out.size(), f, kOutRate).amplitude / 0.5);
        gmin = std::min(gmin, g);
        gmax = std::max(gmax, g);
    }
    return gmax - gmin;
}

// THD+N of a 1 kHz tone at -1 dBFS: dB of the residual below the tone.
double thdPlusNoise(int inRate, float ratio)
{
    const double amplitude = std::pow(10.0, -1.0 / 20);
    const std::vector<float> out = convertMono(tone(size_t(inRate), 1000.0, inRate, amplitude), ratio);
    const Fit fit = fitSineRefined(out, out.size() / 4, out.size(), 1000.0, kOutRate);
    return -20 * std::log10(fit.residual / (fit.amplitude / std::sqrt(2.0)));
}

} // namespace

int main()
{
    struct Row
    {
        int rate;
        double speed, soxrSpeed, alias, ripple, thdn;
        bool preFilter;
    };
    std::vector<Row> rows;
    for (int inRate : {48000, 96000, 22050, 88200, 32000, 192000, 384000}) {
        const float ratio = float(double(kOutRate) / inRate);
        const size_t frames = size_t(kSeconds * inRate);
        std::vector<float> left(frames), right(frames);
        noise(left, 1, 0.5f);
        noise(right, 2, 0.5f);
        double ours = 1e9, theirs = 1e9;
        for (int run = 0; run < 3; ++run) {
            ours = std::min(ours, oursCpuSeconds(left, right, ratio));
            theirs = std::min(theirs, soxrCpuSeconds(left, right, inRate));
        }
        Row row{inRate, kSeconds / ours, kSeconds / theirs, 0, 0, 0, false};
        const FixedRateConverter120dB probe(ratio);
        for (const FixedRateConverter120dB* c = &probe; c; c = c->nextConverter())
            row.preFilter = row.preFilter || c->preFilterEnabled();
        row.alias = aliasRejection(inRate, ratio);
        row.ripple = passbandRipple(inRate, ratio);
        row.thdn = thdPlusNoise(inRate, ratio);
        std::printf("%6d -> %d Hz: %8.1f s/CPU s (soxr VHQ %8.1f, ratio %.2f)  alias %s dB  ripple %.4f dB  "
                    "THD+N %.1f dB%s\n",
                    inRate, kOutRate, row.speed, row.soxrSpeed, row.speed / row.soxrSpeed,
                    row.alias > 0 ? std::to_string(row.alias).substr(0, 6).c_str() : "n/a", row.ripple, row.thdn,
                    row.preFilter ? "  (pre-filter)" : "");
        std::fflush(stdout);
        rows.push_back(row);
    }

    for (const Row& r : rows) {
        const double ratio = r.speed / r.soxrSpeed;
        if (r.rate == 48000 || r.rate == 96000)
            std::printf("GOAL throughput_vs_soxr_vhq_%d %.2f 0.3 %s\n", r.rate, ratio, passFail(ratio >= 0.3));
        if (r.rate == 22050 || r.rate == 88200)
            std::printf("GOAL throughput_vs_soxr_vhq_%d %.2f 1.0 %s\n", r.rate, ratio, passFail(ratio >= 1.0));
    }
    for (const Row& r : rows)
        if (r.preFilter)
            std::printf("GOAL alias_rejection_db_%d %.1f 118 %s\n", r.rate, r.alias, passFail(r.alias >= 118));
    for (const Row& r : rows)
        std::printf("GOAL thd_plus_n_db_%d %.1f 115 %s\n", r.rate, r.thdn, passFail(r.thdn >= 115));
    return 0;
}
