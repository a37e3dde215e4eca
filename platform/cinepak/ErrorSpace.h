// The space the compressor measures and trains in.
//
// The decoder draws a pixel from (Y, U, V) as R = Y + 2V, G = Y - U/2 - V, B = Y + 2U.
// Written in the coordinates below, the squared RGB error of a 2x2 patch becomes a plain
// sum of squares, so nearest-entry search and k-means minimise the error the viewer sees:
//
//   grey_i = 6*Y_i + 3*U + 2*V      (6 x the pixel's (R+G+B)/3; one per patch pixel)
//   u      = 13*U                   (sqrt(14/3) x 6, rounded)
//   v      = 15*V                   (sqrt(56/9) x 6, rounded)
//
// A squared distance in these units is 12 x the RGB sum of squared errors of the patch
// (up to clamping and the 0.5 % rounding of the chroma scales). A V1 entry is the same kind
// of vector: its grey_q is drawn over quadrant q of the block.
#pragma once

#include <algorithm>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cinepak::detail {

// One vector in the error space: grey0..grey3, u, v and two zero lanes (16 bytes, so a
// vector is one SIMD register).
struct alignas(16) Vec {
    int16_t c[8];
};

// A codebook entry as it is stored in the bitstream.
struct Entry {
    uint8_t y[4];
    int8_t u;
    int8_t v;
};

constexpr int kChromaScaleU = 13;
constexpr int kChromaScaleV = 15;
// Distance units per unit of RGB squared error.
constexpr int kDistPerRgbSse = 12;

// Squared distance over the six coordinates (the two spare lanes are zero in every vector).
inline int32_t distance(const Vec& a, const Vec& b)
{
#ifdef __SSE2__
    const __m128i d = _mm_sub_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(a.c)),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(b.c)));
    __m128i s = _mm_madd_epi16(d, d);
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(1, 0, 3, 2)));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(s);
#else
    int32_t sum = 0;
    for (int i = 0; i < 6; ++i) {
        const int32_t d = a.c[i] - b.c[i];
        sum += d * d;
    }
    return sum;
#endif
}

#ifdef __SSE2__
// The four distances from v to e[0..3] in one register.
inline __m128i distances4(const Vec& v, const Vec* e)
{
    const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(v.c));
    const auto part = [&a](const Vec& x) {
        const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(x.c));
        const __m128i diff = _mm_sub_epi16(a, b);
        return _mm_madd_epi16(diff, diff); // (c0c1, c2c3, c4c5, 0)
    };
    const __m128i d0 = part(e[0]), d1 = part(e[1]), d2 = part(e[2]), d3 = part(e[3]);
    const __m128i s01 = _mm_add_epi32(_mm_unpacklo_epi32(d0, d1), _mm_unpackhi_epi32(d0, d1));
    const __m128i s23 = _mm_add_epi32(_mm_unpacklo_epi32(d2, d3), _mm_unpackhi_epi32(d2, d3));
    return _mm_add_epi32(_mm_unpacklo_epi64(s01, s23), _mm_unpackhi_epi64(s01, s23));
}
#endif

// The distances from v to e[0..3].
inline void distances4(const Vec& v, const Vec* e, int32_t out[4])
{
#ifdef __SSE2__
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), distances4(v, e));
#else
    for (int k = 0; k < 4; ++k)
        out[k] = distance(v, e[k]);
#endif
}

// The smallest distance from v to four vectors, and in *lanes a bit (1 << k) for each of
// the four that is at that distance. Same values with or without SIMD.
inline int32_t nearestOf4(const Vec& v, const Vec* e, unsigned* lanes)
{
#ifdef __SSE2__
    const __m128i sum = distances4(v, e);
    const auto min32 = [](__m128i x, __m128i y) {
        const __m128i greater = _mm_cmpgt_epi32(x, y);
        return _mm_or_si128(_mm_and_si128(greater, y), _mm_andnot_si128(greater, x));
    };
    __m128i m = min32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    m = min32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    *lanes = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(sum, m))));
    return _mm_cvtsi128_si32(m);
#else
    int32_t d[4];
    for (int k = 0; k < 4; ++k)
        d[k] = distance(v, e[k]);
    const int32_t m = std::min(std::min(d[0], d[1]), std::min(d[2], d[3]));
    *lanes = 0;
    for (int k = 0; k < 4; ++k)
        if (d[k] == m)
            *lanes |= 1u << k;
    return m;
#endif
}

inline Vec toVec(const Entry& e)
{
    Vec r{};
    const int chroma = 3 * e.u + 2 * e.v;
    for (int i = 0; i < 4; ++i)
        r.c[i] = static_cast<int16_t>(6 * e.y[i] + chroma);
    r.c[4] = static_cast<int16_t>(kChromaScaleU * e.u);
    r.c[5] = static_cast<int16_t>(kChromaScaleV * e.v);
    return r;
}

// Rounded division for any sign of the numerator; d > 0.
inline int32_t divRound(int32_t n, int32_t d)
{
    return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

inline int clampInt(int x, int lo, int hi) { return x < lo ? lo : (x > hi ? hi : x); }

// The representable entry nearest to a point of the space (sums over count vectors).
inline Entry toEntry(const int32_t sum[6], int32_t count)
{
    Entry e{};
    const int u = clampInt(divRound(sum[4], count * kChromaScaleU), -128, 127);
    const int v = clampInt(divRound(sum[5], count * kChromaScaleV), -128, 127);
    e.u = static_cast<int8_t>(u);
    e.v = static_cast<int8_t>(v);
    const int32_t chroma = (3 * u + 2 * v) * count;
    for (int i = 0; i < 4; ++i)
        e.y[i] = static_cast<uint8_t>(clampInt(divRound(sum[i] - chroma, 6 * count), 0, 255));
    return e;
}

// The V1 entry drawn over quadrant q of a block, as a patch vector.
inline Vec expandV1(const Vec& v1, int q)
{
    Vec r{};
    for (int i = 0; i < 4; ++i)
        r.c[i] = v1.c[q];
    r.c[4] = v1.c[4];
    r.c[5] = v1.c[5];
    return r;
}

} // namespace cinepak::detail
