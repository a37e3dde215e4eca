// The compressor measures every choice by squared distance in its error space; that
// distance must be the RGB squared error the decoder's picture will have (x 12), or every
// codebook and V1/V4 choice optimises the wrong thing.
#include "cinepak/ErrorSpace.h"
#include "cinepak/SourceImage.h"
#include "encoder_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using namespace cinepak::detail;

TEST(ErrorSpace, DistanceIsTwelveTimesTheRgbSquaredError)
{
    uint32_t seed = 12345;
    const auto next = [&seed](int lo, int hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + static_cast<int>((seed >> 8) % static_cast<uint32_t>(hi - lo + 1));
    };
    for (int trial = 0; trial < 200; ++trial) {
        // A 2x2 picture (one patch) and an entry whose colours stay inside 0..255.
        uint8_t pixels[4][3];
        for (auto& p : pixels)
            for (uint8_t& c : p)
                c = static_cast<uint8_t>(next(40, 215));
        const cinepak::test::Dib dib = cinepak::test::makeDib(
            2, 2, 24, true, [&](int x, int y, uint8_t rgb[3]) {
                for (int k = 0; k < 3; ++k)
                    rgb[k] = pixels[y * 2 + x][k];
            });
        const SourceImage source(dib.header, dib.rows.data());
        std::vector<Vec> patches, means;
        source.blockVectors(0, 1, patches, means);

        Entry e{};
        for (uint8_t& y : e.y)
            y = static_cast<uint8_t>(next(60, 195));
        e.u = static_cast<int8_t>(next(-20, 20));
        e.v = static_cast<int8_t>(next(-20, 20));

        double sse = 0;
        for (int i = 0; i < 4; ++i) {
            const double drawn[3] = {e.y[i] + 2.0 * e.v, e.y[i] - e.u / 2.0 - e.v,
                                     e.y[i] + 2.0 * e.u};
            for (int k = 0; k < 3; ++k)
                sse += (drawn[k] - pixels[i][k]) * (drawn[k] - pixels[i][k]);
        }
        // The patch vector keeps only the patch's mean colour difference; the spread of
        // U and V inside the patch is an error no entry can remove, left out of distance.
        double u[4], v[4], uMean = 0, vMean = 0;
        for (int i = 0; i < 4; ++i) {
            const double r = pixels[i][0], g = pixels[i][1], b = pixels[i][2];
            u[i] = (3 * b - r - 2 * g) / 7;
            v[i] = (5 * r - 4 * g - b) / 14;
            uMean += u[i] / 4;
            vMean += v[i] / 4;
        }
        double spread = 0;
        for (int i = 0; i < 4; ++i)
            spread += 3.5 * (u[i] - uMean) * (u[i] - uMean) +
                      (14.0 / 3) * (v[i] - vMean) * (v[i] - vMean);

        const double modelled = distance(patches[0], toVec(e)) / 12.0;
        EXPECT_NEAR(modelled, sse - spread, 0.02 * sse + 4) << "trial " << trial;
    }
}

TEST(ErrorSpace, NearestEntryOfAPointIsItsRoundedColour)
{
    // A vector that is exactly an entry's maps back to that entry.
    for (int y = 0; y < 256; y += 15)
        for (int u = -128; u < 128; u += 17)
            for (int v = -128; v < 128; v += 19) {
                const Entry e{{static_cast<uint8_t>(y), static_cast<uint8_t>(255 - y),
                               static_cast<uint8_t>(y / 2), 7},
                              static_cast<int8_t>(u), static_cast<int8_t>(v)};
                const Vec p = toVec(e);
                int32_t sum[6];
                for (int i = 0; i < 6; ++i)
                    sum[i] = p.c[i];
                const Entry back = toEntry(sum, 1);
                EXPECT_EQ(std::memcmp(&back, &e, sizeof e), 0) << y << " " << u << " " << v;
            }
}

} // namespace
