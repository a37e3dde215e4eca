#include "film/SoundPlan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The interleaving frame by frame, as the writer runs it, with a table that never fills.
uint64_t PlacedFrameByFrame(const InterleavePlan& p)
{
    uint64_t entries = p.frames + 1;
    uint64_t left = p.soundLength - std::min(p.soundLength, p.firstChunk);
    int64_t lead = 300;
    for (uint64_t f = 0; f < p.frames && left > 0; ++f) {
        lead -= static_cast<int64_t>(p.frameDuration);
        if (lead <= 225) {
            ++entries;
            left -= std::min<uint64_t>(left, p.chunk);
            lead += 150;
        }
    }
    return entries;
}

TEST(SoundPlan, CountMatchesTheFrameByFrameInterleaving)
{
    struct Chunks { uint32_t first, later; };
    for (const Chunks c : {Chunks{11024, 5512}, Chunks{22048, 11024}, Chunks{18900, 9448}, Chunks{8, 4}}) {
        for (const uint64_t duration : {0, 1, 20, 25, 40, 75, 150, 151, 300, 1000, 100000}) {
            for (const uint64_t frames : {0, 1, 2, 5, 99, 3000}) {
                for (const uint32_t length : {1u, 100u, c.first - 1, c.first, c.first + 1, 5 * c.later,
                                              100000u, 3000000u}) {
                    const InterleavePlan plan{frames, duration, true, length, c.first, c.later};
                    EXPECT_EQ(CountPlacedEntries(plan, kMaxSampleEntries), PlacedFrameByFrame(plan))
                        << c.first << "/" << c.later << " d " << duration << " frames " << frames
                        << " length " << length;
                }
            }
        }
    }
    EXPECT_EQ(CountPlacedEntries({7, 40, false, 0, 0, 0}, kMaxSampleEntries), 7u);
    // Counting stops just beyond the limit.
    EXPECT_EQ(CountPlacedEntries({1000, 1000, true, 3000000, 8, 4}, 100), 101u);
}

TEST(SoundPlan, FrameDurationRoundsToTheNearestTickWithoutOverflow)
{
    EXPECT_EQ(FrameDuration(15, 1), 40u);
    EXPECT_EQ(FrameDuration(30000, 1001), 20u);
    EXPECT_EQ(FrameDuration(1200, 1), 1u);  // half a tick rounds up
    EXPECT_EQ(FrameDuration(1201, 1), 0u);
    EXPECT_EQ(FrameDuration(1, 0xFFFFFFFF), 600ull * 0xFFFFFFFF);
}

} // namespace
