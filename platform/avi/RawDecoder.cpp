// Uncompressed frames: 1-, 4- and 8-bit palettised (delivered as 24-bit), 16-bit 5-5-5
// and 5-6-5 (delivered as 5-5-5), 24-bit and 32-bit, stored bottom-up or top-down
// (negative height). Rows are padded to 4 bytes; rows stored without padding are
// accepted when the chunk holds exactly that many bytes.
#include "avi/FrameDecoder.h"

#include "media/ByteOrder.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace avi::detail {

namespace {

enum class Kind { Copy, Rgb565, Palette };

class RawDecoder final : public FrameDecoder {
public:
    RawDecoder(int width, int height, int bits, bool topDown, Kind kind,
               std::vector<std::array<uint8_t, 3>> palette)
        : width_(width), height_(height), bits_(bits), topDown_(topDown), kind_(kind),
          palette_(std::move(palette)),
          output_(outputHeader(width, height, kind == Kind::Palette ? 24 : bits)),
          paddedRow_(static_cast<size_t>(media::dibRowSize(bits, width))),
          packedRow_((static_cast<size_t>(bits) * static_cast<size_t>(width) + 7) / 8)
    {
    }

    const media::BitmapInfoHeader& output() const override { return output_; }
    bool dependsOnPrevious() const override { return false; }
    size_t maxInputSize() const override { return paddedRow_ * static_cast<size_t>(height_); }
    void reset() override {}

    bool decode(const uint8_t* data, size_t size, uint8_t* rows, std::string* error) override
    {
        size_t stride = paddedRow_;
        if (size < paddedRow_ * static_cast<size_t>(height_)) {
            stride = packedRow_;
            if (size != packedRow_ * static_cast<size_t>(height_)) {
                if (error)
                    *error = "frame holds " + std::to_string(size) + " bytes, " +
                             std::to_string(maxInputSize()) + " expected";
                return false;
            }
        }
        const size_t outRow = static_cast<size_t>(media::dibRowSize(output_.biBitCount, width_));
        for (int y = 0; y < height_; ++y) {
            const int from = topDown_ ? height_ - 1 - y : y; // y counts from the bottom
            convertRow(data + static_cast<size_t>(from) * stride,
                       rows + static_cast<size_t>(y) * outRow);
        }
        return true;
    }

private:
    void convertRow(const uint8_t* in, uint8_t* out) const
    {
        switch (kind_) {
        case Kind::Copy:
            std::memcpy(out, in, packedRow_);
            break;
        case Kind::Rgb565:
            for (int x = 0; x < width_; ++x) {
                const uint16_t v = media::readLE16(in + 2 * x);
                // Green loses its lowest bit; red and blue stay where 5-5-5 has them.
                media::writeLE16(out + 2 * x, static_cast<uint16_t>(((v >> 1) & 0x7FE0) |
                                                                    (v & 0x001F)));
            }
            break;
        case Kind::Palette: {
            const int perByte = 8 / bits_;
            const int mask = (1 << bits_) - 1;
            for (int x = 0; x < width_; ++x) {
                const int shift = 8 - bits_ * (x % perByte + 1);
                const size_t index = static_cast<size_t>((in[x / perByte] >> shift) & mask);
                std::memcpy(out + 3 * x, palette_[index].data(), 3);
            }
            break;
        }
        }
    }

    int width_, height_, bits_;
    bool topDown_;
    Kind kind_;
    std::vector<std::array<uint8_t, 3>> palette_; // B, G, R
    media::BitmapInfoHeader output_;
    size_t paddedRow_, packedRow_;
};

// Bit masks live behind the 40-byte header (BI_BITFIELDS) or inside a larger header.
bool readMasks(const FormatBytes& f, std::array<uint32_t, 3>* masks)
{
    if (f.size() < 52)
        return false;
    for (size_t i = 0; i < 3; ++i)
        (*masks)[i] = media::readLE32(f.data() + 40 + 4 * i);
    return true;
}

std::vector<std::array<uint8_t, 3>> readPalette(const FormatBytes& f,
                                                const media::BitmapInfoHeader& h)
{
    const size_t entries = size_t{1} << h.biBitCount;
    std::vector<std::array<uint8_t, 3>> palette(entries, {0, 0, 0});
    size_t start = h.biSize;
    if (start < 40 || start > f.size())
        start = 40;
    size_t count = h.biClrUsed == 0 ? entries : std::min<size_t>(h.biClrUsed, entries);
    count = std::min(count, (f.size() - start) / 4);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(palette[i].data(), f.data() + start + 4 * i, 3);
    return palette;
}

} // namespace

std::unique_ptr<FrameDecoder> makeRawDecoder(const FormatBytes& format, std::string* why)
{
    const media::BitmapInfoHeader h = parseBitmapInfoHeader(format);
    const int width = h.biWidth;
    const int height = std::abs(h.biHeight);
    const bool topDown = h.biHeight < 0;
    const int bits = h.biBitCount;
    const auto make = [&](Kind kind, std::vector<std::array<uint8_t, 3>> palette = {}) {
        return std::make_unique<RawDecoder>(width, height, bits, topDown, kind,
                                            std::move(palette));
    };
    const auto unsupported = [why](const std::string& what) -> std::unique_ptr<FrameDecoder> {
        if (why)
            *why = what;
        return nullptr;
    };
    if (h.biCompression == media::kBiBitfields) {
        std::array<uint32_t, 3> masks{};
        if (!readMasks(format, &masks))
            return unsupported("bit-field format without masks");
        if (bits == 16 && masks == std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F})
            return make(Kind::Rgb565);
        if ((bits == 16 && masks == std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}) ||
            (bits == 32 && masks == std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF}))
            return make(Kind::Copy);
        return unsupported("unsupported bit masks for " + std::to_string(bits) + "-bit pixels");
    }
    switch (bits) {
    case 1: case 4: case 8:
        return make(Kind::Palette, readPalette(format, h));
    case 16: case 24: case 32:
        return make(Kind::Copy);
    default:
        return unsupported("uncompressed " + std::to_string(bits) + "-bit pixels");
    }
}

} // namespace avi::detail
