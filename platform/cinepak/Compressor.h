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

class Compressor {
public:
    // Compresses one image. in: its DIB header (16-bit 5-5-5, 24- or 32-bit; bottom-up,
    // or top-down with a negative height; width and height 1..8192); rows: its pixel
    // rows. wanted: the output format the caller wants; only its size matters.
    // quality: 0..10000 (see the implementation's header for the mapping).
    // size: in, the largest frame wanted in bytes; out, the frame's byte count.
    // Returns the output block: a 40-byte BitmapInfoHeader (biCompression 'cvid',
    // biSizeImage = the frame's size) followed by the Cinepak frame.
    // Throws CompressError for input it cannot take or a frame that cannot fit.
    std::vector<uint8_t> compress(const media::BitmapInfoHeader& in, const uint8_t* rows,
                                  const media::BitmapInfoHeader& wanted, int quality,
                                  int32_t& size);
};

} // namespace cinepak
