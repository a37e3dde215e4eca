// The Cinepak compressor: one image in, one Saturn-safe Cinepak key frame out.
// Stands in for the system's compressor (open, compress one image, close): construct
// one per file, call compress() per frame.
#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace cinepak {

class CompressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Quality, 0..10000 (or kDefaultQuality, which means 10000):
//   10000  the best picture the format gives: no byte is traded for picture; frames of up
//          to 320x240 pixels get 3 strips of full 256-entry books, and V4 blocks wherever
//          they are closer to the source than V1 blocks.
//   < 10000  every choice (V1 or V4 per block, which codebook entries to send, how many
//          strips) minimises distortion + lambda x bits, and lambda doubles every 800
//          steps down; lower quality never gives a larger frame or a better picture.
//   0      the smallest sensible frame: one strip, mostly V1 blocks, short books.
// Frames larger than 320x240 pixels take more strips (up to 32) when one would otherwise
// reach 64 KiB.
//
// The size limit is honoured: a frame larger than the limit is encoded again at the
// highest lower quality that fits; if even quality 0 does not fit, compress() throws.
// Output depends only on the image, the quality and the limit: the same input gives the
// same bytes on every run and machine.
constexpr int kDefaultQuality = -1;

class Compressor {
public:
    // Compresses one image. in: its DIB header (16-bit 5-5-5, 24- or 32-bit; bottom-up,
    // or top-down with a negative height; width and height 1..8192); rows: its pixel
    // rows. wanted: the output format the caller wants; only its size matters.
    // quality: 0..10000 or kDefaultQuality (see above).
    // size: in, the largest frame wanted in bytes; out, the frame's byte count.
    // Returns the output block: a 40-byte BitmapInfoHeader (biCompression 'cvid',
    // biSizeImage = the frame's size) followed by the Cinepak frame.
    // Throws CompressError for input it cannot take or a frame that cannot fit.
    std::vector<uint8_t> compress(const media::BitmapInfoHeader& in, const uint8_t* rows,
                                  const media::BitmapInfoHeader& wanted, int quality,
                                  int32_t& size);
};

} // namespace cinepak
