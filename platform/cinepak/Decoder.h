// Cinepak ('cvid') frame decoder: key and inter frames, full and selective codebook
// updates, 4-byte books, skip blocks, several strips with codebook inheritance.
//
// Colour: R = Y + 2V, G = Y - U/2 - V, B = Y + 2U, each clamped to 0..255, where U/2
// truncates toward zero. Strips are placed as stacked (a top of 0 continues below the
// previous strip) or, with a non-zero top, at the absolute rows top..bottom. At most 32
// strips are decoded; further strips are ignored, as common decoders do.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cinepak {

class Decoder {
public:
    static constexpr int kMaxSize = 8192;
    static constexpr int kMaxStrips = 32;

    // The picture size comes from the container (width, height 1..8192; other values
    // are clamped into that range).
    Decoder(int width, int height);

    // Decodes one frame on top of the current picture and codebooks. Returns false,
    // with the reason in *error, for a damaged frame; it never reads outside data.
    // After a failure the picture holds what was decoded before the damage.
    // A frame with 0 strips leaves the picture as it is.
    bool decode(const uint8_t* data, size_t size, std::string* error = nullptr);

    // Back to the start state: all codebooks and the picture zero.
    void reset();

    int width() const;
    int height() const;
    // The picture as DIB rows: 24-bit B,G,R, bottom row first, rows padded to 4 bytes.
    const uint8_t* dibRows() const;
    size_t dibRowSize() const;

    // Decodes into the caller's rows (dibRowSize() x height() bytes) from now on, so
    // that frames need no copy; the current picture moves there. The rows must stay
    // alive, and be left alone between frames, while the decoder uses them.
    void useRows(uint8_t* rows);

private:
    // A V4 entry as drawn: its 2x2 patch in B,G,R, top pair then bottom pair.
    using V4Entry = std::array<uint8_t, 12>;
    // A V1 entry as drawn: the top two rows of its 4x4 block (identical), then the
    // bottom two (12 bytes each).
    using V1Entry = std::array<uint8_t, 24>;
    struct Books {
        std::array<V4Entry, 256> v4{};
        std::array<V1Entry, 256> v1{};
    };
    struct StripRect {
        int x1, y1, x2, y2;
    };

    bool decodeStrip(int index, const StripRect& rect, const uint8_t* p, const uint8_t* end,
                     std::string* error);
    bool decodeBlocks(const Books& books, const StripRect& rect, int chunkId,
                      const uint8_t* p, const uint8_t* end, std::string* error);

    int width_;
    int height_;
    int paddedWidth_;  // multiples of 4: the area the blocks cover
    int paddedHeight_;
    size_t rowSize_;
    std::vector<uint8_t> ownRows_;
    uint8_t* rows_;    // the picture: ownRows_ or the caller's
    std::vector<Books> books_;
};

} // namespace cinepak
