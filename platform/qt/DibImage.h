// Frame buffers (a 40-byte bitmap information header followed by the pixel rows,
// bottom row first unless the height is negative, rows padded to 4 bytes) as images.
#pragma once

#include <QImage>

#include <cstdint>

namespace kqt {

// A copy of the frame as an RGB32 image. Handles 16-bit (5-5-5), 24-bit and 32-bit
// uncompressed frames; gives a null image for any other kind, or a size beyond
// 32767 pixels either way.
QImage imageFromDib(const uint8_t* frameBuffer);

} // namespace kqt
