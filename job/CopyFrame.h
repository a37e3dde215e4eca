// Copying a decoded frame into the job's working frame buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace job {

// Copies frame (a packed DIB: 40-byte header, pixel rows right behind it) into buffer of
// bufferSize bytes: the header and the 4 bytes behind it, then height rows of the frame's
// own row size, and sets the copy's biSizeImage to row size x height (0 or less when the
// height is not positive, and then no row is copied). Returns false, copying nothing, when
// the frame would not fit in the buffer.
bool CopyFrame(uint8_t* buffer, size_t bufferSize, const uint8_t* frame);

} // namespace job
