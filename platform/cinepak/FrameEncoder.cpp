#include "cinepak/FrameEncoder.h"

#include "cinepak/Bitstream.h"
#include "cinepak/Quality.h"
#include "cinepak/StripEncoder.h"

#include <algorithm>

namespace cinepak::detail {

namespace {

// Bytes of a strip of `blocks` blocks with full books and every block V4: no strip of
// that many blocks can be larger.
int64_t worstStripBytes(int64_t blocks)
{
    return static_cast<int64_t>(kStripHeaderSize + 3 * kChunkHeaderSize + 2 * 256 * 6) +
           (blocks + 31) / 32 * 4 + blocks * 4;
}

// Bytes of the smallest strip of `blocks` blocks: one V1 entry, every block V1.
int64_t leastStripBytes(int64_t blocks)
{
    return static_cast<int64_t>(kStripHeaderSize + 3 * kChunkHeaderSize + 6) + blocks;
}

// Up to three strips, each of at least this many blocks: more strips give more codebook
// entries to the picture, and the rate-distortion pruning of each strip's books keeps
// the extra entries from costing more than they give.
constexpr int kMinBlocksPerStrip = 512;

} // namespace

std::vector<int> planStrips(int blocksX, int blocksY)
{
    int count = static_cast<int>(
        std::clamp<int64_t>(int64_t{blocksX} * blocksY / kMinBlocksPerStrip, 1, 3));
    // Larger pictures take as many more strips as keep the largest strip under 64 KiB.
    while (count < kMaxStrips &&
           worstStripBytes(int64_t{(blocksY + count - 1) / count} * blocksX) > kMaxStripBytes)
        ++count;
    count = std::min(count, blocksY);
    std::vector<int> rows(static_cast<size_t>(count), blocksY / count);
    for (int i = 0; i < blocksY % count; ++i)
        ++rows[static_cast<size_t>(i)];
    return rows;
}

bool stripsCanFit(int blocksX, int blocksY)
{
    const std::vector<int> plan = planStrips(blocksX, blocksY);
    return leastStripBytes(int64_t{plan.front()} * blocksX) <= kMaxStripBytes;
}

std::optional<std::vector<uint8_t>> encodeFrame(const SourceImage& source, int quality)
{
    const std::vector<int> plan = planStrips(source.blocksX(), source.blocksY());
    StripParams params;
    params.lambda = lambdaForQuality(quality);
    params.trainLambda = kTrainLambda;

    std::vector<uint8_t> frame(kFrameHeaderSize);
    std::vector<Vec> patches, means;
    int firstRow = 0;
    for (int rows : plan) {
        source.blockVectors(firstRow, rows, patches, means);
        firstRow += rows;
        const StripCode code = encodeStrip(patches, means, params);
        const StripLayout layout = layoutStrip(code, rows * 4, source.blocksX() * 4);
        if (layout.length > kMaxStripBytes)
            return std::nullopt;
        appendStrip(layout, code, frame);
    }
    FrameHeader header;
    header.length = static_cast<uint32_t>(frame.size());
    header.width = static_cast<uint16_t>(source.width());
    header.height = static_cast<uint16_t>(source.height());
    header.stripCount = static_cast<uint16_t>(plan.size());
    writeFrameHeader(header, frame.data());
    return frame;
}

} // namespace cinepak::detail
