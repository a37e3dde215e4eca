// Cinepak frames through the codec module's decoder, delivered as 24-bit DIB rows.
#include "avi/FrameDecoder.h"

#include "cinepak/Decoder.h"

#include <cstdlib>

namespace avi::detail {

namespace {

// Far above any real frame (every block V4 at 8192x8192 is about 17 MB), so that a
// hostile chunk size cannot make us read gigabytes.
constexpr size_t kMaxCinepakFrame = 64u << 20;

class CinepakFrameDecoder final : public FrameDecoder {
public:
    CinepakFrameDecoder(int width, int height)
        : decoder_(width, height), output_(outputHeader(width, height, 24))
    {
    }

    const media::BitmapInfoHeader& output() const override { return output_; }
    bool dependsOnPrevious() const override { return true; }
    size_t maxInputSize() const override { return kMaxCinepakFrame; }
    void reset() override { decoder_.reset(); }

    bool decode(const uint8_t* data, size_t size, uint8_t* rows, std::string* error) override
    {
        // The decoder draws straight into the frame's rows, which keep the previous
        // picture for skipped blocks.
        decoder_.useRows(rows);
        return decoder_.decode(data, size, error);
    }

private:
    cinepak::Decoder decoder_;
    media::BitmapInfoHeader output_;
};

} // namespace

std::unique_ptr<FrameDecoder> makeCinepakDecoder(const FormatBytes& format, std::string* why)
{
    const media::BitmapInfoHeader h = parseBitmapInfoHeader(format);
    if (h.biBitCount == 8) {
        if (why)
            *why = "palettised Cinepak is not supported";
        return nullptr;
    }
    return std::make_unique<CinepakFrameDecoder>(h.biWidth, std::abs(h.biHeight));
}

} // namespace avi::detail
