// Frame durations, chunk lengths and the count of entries the interleaving places.
#include "film/SoundPlan.h"

#include <algorithm>

uint64_t FrameDuration(uint32_t rate, uint32_t scale)
{
    return (uint64_t{scale} * kFilmTimeBase + rate / 2) / rate;
}

namespace {

uint32_t BytesPerSecond(const FdscChunk& fdsc)
{
    const uint32_t frameBytes = (uint32_t{fdsc.soundSampleBits} * fdsc.soundChannels) / 8;
    return frameBytes * (fdsc.soundRate >> 16);
}

} // namespace

uint32_t FirstChunkLength(const FdscChunk& fdsc) { return (BytesPerSecond(fdsc) / 2) & ~uint32_t{3}; }

uint32_t ChunkLength(const FdscChunk& fdsc) { return (BytesPerSecond(fdsc) / 4) & ~uint32_t{3}; }

uint64_t CountPlacedEntries(const InterleavePlan& plan, uint64_t limit)
{
    uint64_t entries = plan.frames;
    if (!plan.sound) {
        return std::min(entries, limit + 1);
    }
    ++entries;
    uint64_t left = plan.soundLength > plan.firstChunk ? plan.soundLength - plan.firstChunk : 0;
    int64_t lead = kLeadStart;
    uint64_t framesLeft = plan.frames;
    // One step per chunk: the frames that bring the lead down to the refill mark, then the
    // chunk that follows the last of them. Frames of 0 ticks never lower the lead.
    while (left > 0 && framesLeft > 0 && plan.frameDuration > 0 && entries <= limit) {
        const uint64_t d = plan.frameDuration;
        const uint64_t above = lead > kLeadRefill ? static_cast<uint64_t>(lead - kLeadRefill) : 0;
        const uint64_t k = std::max<uint64_t>(1, (above + d - 1) / d);
        if (k > framesLeft) {
            break;
        }
        framesLeft -= k;
        lead -= static_cast<int64_t>(k * d);
        ++entries;
        left -= std::min<uint64_t>(left, plan.chunk);
        lead += kLeadPerChunk;
    }
    return std::min(entries, limit + 1);
}
