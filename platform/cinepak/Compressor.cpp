#include "cinepak/Compressor.h"

#include "cinepak/FrameEncoder.h"
#include "cinepak/Quality.h"
#include "cinepak/SourceImage.h"
#include "media/ByteOrder.h"

#include <string>

namespace cinepak {

namespace {

constexpr size_t kHeaderSize = sizeof(media::BitmapInfoHeader);

std::vector<uint8_t> outputBlock(const detail::SourceImage& source,
                                 const std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> block(kHeaderSize + frame.size());
    uint8_t* h = block.data();
    media::writeLE32(h + 0, 40);
    media::writeLE32(h + 4, static_cast<uint32_t>(source.width()));
    media::writeLE32(h + 8, static_cast<uint32_t>(source.height()));
    media::writeLE16(h + 12, 1);
    media::writeLE16(h + 14, 24);
    media::writeLE32(h + 16, media::kFourCCCvid);
    media::writeLE32(h + 20, static_cast<uint32_t>(frame.size()));
    std::copy(frame.begin(), frame.end(), block.begin() + kHeaderSize);
    return block;
}

bool fits(const std::optional<std::vector<uint8_t>>& frame, int32_t limit)
{
    return frame && frame->size() <= static_cast<size_t>(limit);
}

} // namespace

std::vector<uint8_t> Compressor::compress(const media::BitmapInfoHeader& in,
                                          const uint8_t* rows,
                                          const media::BitmapInfoHeader& /*wanted*/,
                                          int quality, int32_t& size)
{
    if (quality == kDefaultQuality)
        quality = detail::kMaxQuality;
    if (quality < 0 || quality > detail::kMaxQuality)
        throw CompressError("quality " + std::to_string(quality) + " is outside 0..10000");
    const detail::SourceImage source(in, rows);
    if (!detail::stripsCanFit(source.blocksX(), source.blocksY()))
        throw CompressError("a " + std::to_string(source.width()) + "x" +
                            std::to_string(source.height()) +
                            " picture is too large for Cinepak strips under 64 KiB");
    const int32_t limit = size;
    // A negative limit would read as a huge one below and let any frame through.
    if (limit < 0)
        throw CompressError("largest wanted size " + std::to_string(limit) + " is negative");

    auto frame = detail::encodeFrame(source, quality);
    if (!fits(frame, limit)) {
        // Quality lowers the frame size monotonically: find the highest quality that fits.
        int lo = 0, hi = quality - 1;
        auto smallest = detail::encodeFrame(source, 0);
        const std::string what = "a " + std::to_string(source.width()) + "x" +
                                 std::to_string(source.height()) + " frame";
        if (!smallest)
            throw CompressError(what + " cannot be coded in strips under 64 KiB");
        if (!fits(smallest, limit))
            throw CompressError(what + " cannot be made to fit in " + std::to_string(limit) +
                                " bytes (the smallest is " + std::to_string(smallest->size()) +
                                ")");
        frame = std::move(smallest);
        while (lo < hi) {
            const int mid = lo + (hi - lo + 1) / 2;
            auto candidate = detail::encodeFrame(source, mid);
            if (fits(candidate, limit)) {
                frame = std::move(candidate);
                lo = mid;
            } else {
                hi = mid - 1;
            }
        }
    }
    size = static_cast<int32_t>(frame->size());
    return outputBlock(source, *frame);
}

} // namespace cinepak
