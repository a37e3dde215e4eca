// Sizes of the Cinepak frame syntax, shared by the decoder and the compressor.
#pragma once

#include <cstddef>

namespace cinepak {

constexpr size_t kFrameHeaderSize = 10; // flags, 24-bit length, width, height, strip count
constexpr size_t kStripHeaderSize = 12; // id, 24-bit length, top, left, bottom, right
constexpr size_t kChunkHeaderSize = 4;  // id, 24-bit length counting the header

} // namespace cinepak
