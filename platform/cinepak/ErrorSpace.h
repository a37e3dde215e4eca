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

#include <cstdint>

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

inline int32_t distance(const Vec& a, const Vec& b)
{
    int32_t sum = 0;
    for (int i = 0; i < 6; ++i) {
        const int32_t d = a.c[i] - b.c[i];
        sum += d * d;
    }
    return sum;
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
