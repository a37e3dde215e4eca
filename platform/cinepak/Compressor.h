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

// Quality, 0..10000 (or kDefaultQuality, which means 10000), sets lambda, the price of a
// bit in picture error; every choice minimises RGB squared error + lambda x bits:
//   10000  lambda 0: the best picture the format gives. Books of up to 256 entries
//          (trained on the blocks where V4 gains at least 13 RGB squared-error units a
//          bit, which spends its entries where they matter), V4 for every block it then
//          draws closer than V1.
//   below  lambda = 4 x (2^((10000 - quality) / 800) - 1) units of 1/12 RGB squared error
//          per bit, the power of 2 interpolated linearly within each octave. Blocks
//          take V1 unless V4's gain pays for its 3 extra bytes, and book entries are
//          dropped unless they save more than their 6 bytes are worth. Lower quality
//          gives smaller frames and a worse picture, smoothly.
//   0      lambda 24572: the smallest sensible frame, nearly all V1 from short books.
// Strips: 1 to 3 (one per 512 blocks) for frames up to 320x240; larger pictures take
// more, up to 32, where a strip could otherwise reach 64 KiB. A picture that cannot be
// coded in 32 strips under 64 KiB (about 33 million pixels or more) is refused.
//
// The size limit is honoured: a frame larger than the limit is encoded again at the
// highest lower quality that fits; if even quality 0 does not fit, compress() throws.
// Output depends only on the image, the quality and the limit (integer arithmetic): the
// same input gives the same bytes on every run and machine.
constexpr int kDefaultQuality = -1;

class Compressor {
public:
    // Compresses one image. in: its DIB header (16-bit 5-5-5, 24- or 32-bit; bottom-up,
    // or top-down with a negative height; width and height 1..8192); rows: its pixel
    // rows. wanted: the output format the caller wants; the frame is always 'cvid' at the
    // input's size, so it is not read.
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
