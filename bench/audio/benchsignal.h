#pragma once
// Measurement helpers shared by the audio benchmarks.

#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

namespace BenchSignal {

constexpr double kPi = 3.14159265358979323846;

inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double wallSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Deterministic full-band noise in [-amplitude, amplitude].
inline void noise(std::vector<float>& v, uint32_t seed, float amplitude)
{
    uint32_t s = seed * 2654435761u + 12345u;
    for (float& x : v) {
        s = s * 1664525u + 1013904223u;
        x = amplitude * (float(int32_t(s)) * (1.0f / 2147483648.0f));
    }
}

inline std::vector<float> tone(size_t n, double freq, double rate, double amplitude)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float(amplitude * std::sin(2 * kPi * freq * double(i) / rate));
    return v;
}

// Amplitude of the best-fitting sine of freq, and the RMS of what is left.
struct Fit
{
    double amplitude;
    double residual;
};

inline Fit fitSine(const std::vector<float>& y, size_t from, size_t to, double freq, double rate)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    const double n = double(to - from);
    double my = 0;
    for (size_t i = from; i < to; ++i)
        my += y[i];
    my /= n;
    for (size_t i = from; i < to; ++i) {
        const double w = 2 * kPi * freq * double(i) / rate;
        const double s = std::sin(w), c = std::cos(w), v = y[i] - my;
        ss += s * s, sc += s * c, cc += c * c, ys += v * s, yc += v * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double err = 0;
    for (size_t i = from; i < to; ++i) {
        const double w = 2 * kPi * freq * double(i) / rate;
        const double e = y[i] - my - a * std::sin(w) - b * std::cos(w);
        err += e * e;
    }
    return {std::hypot(a, b), std::sqrt(err / n)};
}

// The output rate of a float-ratio converter is exact only to about 1e-7, so
// the tone's frequency is refined before the residual is taken.
inline Fit fitSineRefined(const std::vector<float>& y, size_t from, size_t to, double freq, double rate)
{
    double lo = freq * (1 - 1e-6), hi = freq * (1 + 1e-6);
    for (int i = 0; i < 30; ++i) {
        const double m1 = lo + (hi - lo) * 0.382, m2 = lo + (hi - lo) * 0.618;
        if (fitSine(y, from, to, m1, rate).residual < fitSine(y, from, to, m2, rate).residual)
            hi = m2;
        else
            lo = m1;
    }
    return fitSine(y, from, to, (lo + hi) / 2, rate);
}

// In-place radix-2 FFT of interleaved complex doubles (n a power of two).
inline void fft(std::vector<double>& re, std::vector<double>& im)
{
    const size_t n = re.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2 * kPi / double(len);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const double wr = std::cos(ang * double(k)), wi = std::sin(ang * double(k));
                const double xr = re[i + k + len / 2] * wr - im[i + k + len / 2] * wi;
                const double xi = re[i + k + len / 2] * wi + im[i + k + len / 2] * wr;
                re[i + k + len / 2] = re[i + k] - xr;
                im[i + k + len / 2] = im[i + k] - xi;
                re[i + k] += xr;
                im[i + k] += xi;
            }
        }
    }
}

// Mean power of y[from, from + n) in the band [0, maxHz], through a 7-term
// Blackman-Harris window (side lobes below -180 dB).
inline double bandPower(const std::vector<float>& y, size_t from, size_t n, double rate, double maxHz)
{
    static const double c[7] = {0.27105140069342, -0.43329793923448, 0.21812299954311, -0.06592544638803,
                                0.01081174209837, -0.00077658482522, 0.00001388721735};
    std::vector<double> re(n), im(n, 0.0);
    double wsum = 0;
    for (size_t i = 0; i < n; ++i) {
        double w = 0;
        for (int k = 0; k < 7; ++k)
            w += c[k] * std::cos(2 * kPi * k * double(i) / double(n));
        re[i] = w * y[from + i];
        wsum += w * w;
    }
    fft(re, im);
    double p = 0;
    const size_t maxBin = std::min(n / 2, size_t(maxHz / rate * double(n)));
    for (size_t k = 1; k <= maxBin; ++k) // without the DC bin: the anti-denormal offsets
        p += 2 * (re[k] * re[k] + im[k] * im[k]);
    return p / (double(n) * wsum);
}

inline const char* passFail(bool ok)
{
    return ok ? "PASS" : "FAIL";
}

} // namespace BenchSignal
