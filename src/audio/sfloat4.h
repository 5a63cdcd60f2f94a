#pragma once
// Four single-precision lanes (and two double-precision lanes) for the
// resampler kernels: SSE2 on x86-64, plain floats elsewhere. Every operation is lane-wise IEEE single precision, so both
// builds (and any lane layout) give bit-identical results to scalar code that
// performs the same operations in the same order.

#if defined(__SSE2__) || defined(_M_X64)
#define SFLOAT4_SSE2 1
#include <emmintrin.h>
#endif

struct SFloat4
{
#if SFLOAT4_SSE2
    __m128 v;

    SFloat4() : v(_mm_setzero_ps()) {}
    explicit SFloat4(__m128 x) : v(x) {}
    SFloat4(float a, float b, float c, float d) : v(_mm_setr_ps(a, b, c, d)) {}
    static SFloat4 splat(float x) { return SFloat4(_mm_set1_ps(x)); }
    // Lanes 0 and 1 from p[0], p[1]; lanes 2 and 3 from q[0], q[1].
    static SFloat4 load2x2(const float* p, const float* q)
    {
        return SFloat4(_mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p)),
                                    reinterpret_cast<const __m64*>(q)));
    }
    void store2x2(float* p, float* q) const
    {
        _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
        _mm_storeh_pi(reinterpret_cast<__m64*>(q), v);
    }
    void storeLow2(float* p) const { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }
    float lane0() const { return _mm_cvtss_f32(v); }
    float lane1() const { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1))); }
    float lane2() const { return _mm_cvtss_f32(_mm_movehl_ps(v, v)); }

    friend SFloat4 operator+(SFloat4 a, SFloat4 b) { return SFloat4(_mm_add_ps(a.v, b.v)); }
    friend SFloat4 operator-(SFloat4 a, SFloat4 b) { return SFloat4(_mm_sub_ps(a.v, b.v)); }
    friend SFloat4 operator*(SFloat4 a, SFloat4 b) { return SFloat4(_mm_mul_ps(a.v, b.v)); }

    // [a0, a0, a2, a2] and [a1, a1, a3, a3]
    SFloat4 dupEven() const { return SFloat4(_mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 0, 0))); }
    SFloat4 dupOdd() const { return SFloat4(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 1, 1))); }
    // [a1, a0, a3, a2]
    SFloat4 swapPairs() const { return SFloat4(_mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1))); }
    // [a0, b0, a2, b2]
    static SFloat4 interleaveEven(SFloat4 a, SFloat4 b)
    {
        const __m128 t = _mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(2, 0, 2, 0)); // a0 a2 b0 b2
        return SFloat4(_mm_shuffle_ps(t, t, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    // Lanes 0 and 2 from a, lanes 1 and 3 from b.
    static SFloat4 blendOdd(SFloat4 a, SFloat4 b)
    {
        const __m128 mask = _mm_castsi128_ps(_mm_setr_epi32(0, -1, 0, -1));
        return SFloat4(_mm_or_ps(_mm_andnot_ps(mask, a.v), _mm_and_ps(mask, b.v)));
    }
#else
    float v[4];

    SFloat4() : v{0.0f, 0.0f, 0.0f, 0.0f} {}
    SFloat4(float a, float b, float c, float d) : v{a, b, c, d} {}
    static SFloat4 splat(float x) { return SFloat4(x, x, x, x); }
    static SFloat4 load2x2(const float* p, const float* q) { return SFloat4(p[0], p[1], q[0], q[1]); }
    void store2x2(float* p, float* q) const
    {
        p[0] = v[0];
        p[1] = v[1];
        q[0] = v[2];
        q[1] = v[3];
    }
    void storeLow2(float* p) const
    {
        p[0] = v[0];
        p[1] = v[1];
    }
    float lane0() const { return v[0]; }
    float lane1() const { return v[1]; }
    float lane2() const { return v[2]; }

    friend SFloat4 operator+(SFloat4 a, SFloat4 b)
    {
        return SFloat4(a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]);
    }
    friend SFloat4 operator-(SFloat4 a, SFloat4 b)
    {
        return SFloat4(a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]);
    }
    friend SFloat4 operator*(SFloat4 a, SFloat4 b)
    {
        return SFloat4(a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]);
    }
    SFloat4 dupEven() const { return SFloat4(v[0], v[0], v[2], v[2]); }
    SFloat4 dupOdd() const { return SFloat4(v[1], v[1], v[3], v[3]); }
    SFloat4 swapPairs() const { return SFloat4(v[1], v[0], v[3], v[2]); }
    static SFloat4 interleaveEven(SFloat4 a, SFloat4 b) { return SFloat4(a.v[0], b.v[0], a.v[2], b.v[2]); }
    static SFloat4 blendOdd(SFloat4 a, SFloat4 b) { return SFloat4(a.v[0], b.v[1], a.v[2], b.v[3]); }
#endif
};

struct SDouble2
{
#if SFLOAT4_SSE2
    __m128d v;

    SDouble2() : v(_mm_setzero_pd()) {}
    explicit SDouble2(__m128d x) : v(x) {}
    SDouble2(double a, double b) : v(_mm_setr_pd(a, b)) {}
    static SDouble2 splat(double x) { return SDouble2(_mm_set1_pd(x)); }
    double lane0() const { return _mm_cvtsd_f64(v); }
    double lane1() const { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
    friend SDouble2 operator+(SDouble2 a, SDouble2 b) { return SDouble2(_mm_add_pd(a.v, b.v)); }
    friend SDouble2 operator-(SDouble2 a, SDouble2 b) { return SDouble2(_mm_sub_pd(a.v, b.v)); }
    friend SDouble2 operator*(SDouble2 a, SDouble2 b) { return SDouble2(_mm_mul_pd(a.v, b.v)); }
#else
    double v[2];

    SDouble2() : v{0.0, 0.0} {}
    SDouble2(double a, double b) : v{a, b} {}
    static SDouble2 splat(double x) { return SDouble2(x, x); }
    double lane0() const { return v[0]; }
    double lane1() const { return v[1]; }
    friend SDouble2 operator+(SDouble2 a, SDouble2 b) { return SDouble2(a.v[0] + b.v[0], a.v[1] + b.v[1]); }
    friend SDouble2 operator-(SDouble2 a, SDouble2 b) { return SDouble2(a.v[0] - b.v[0], a.v[1] - b.v[1]); }
    friend SDouble2 operator*(SDouble2 a, SDouble2 b) { return SDouble2(a.v[0] * b.v[0], a.v[1] * b.v[1]); }
#endif
};
