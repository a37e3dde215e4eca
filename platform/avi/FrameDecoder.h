// Decoders of stored video frames into DIB rows, one per stored format, picked from a
// table by the stream's compression code.
#pragma once

#include "media/MediaTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace avi::detail {

class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;

    // The header of every delivered frame: bottom-up, BI_RGB, biSizeImage set.
    virtual const media::BitmapInfoHeader& output() const = 0;
    // True when a frame needs the frames before it (random access starts at a key).
    virtual bool dependsOnPrevious() const = 0;
    // The most bytes of a stored frame the decoder looks at; larger chunks are cut.
    virtual size_t maxInputSize() const = 0;
    // Decodes a stored frame into rows (output()'s layout), which hold the previous
    // frame's picture. False with the reason for a damaged frame.
    virtual bool decode(const uint8_t* data, size_t size, uint8_t* rows, std::string* error) = 0;
    // Back to the state before the first frame.
    virtual void reset() = 0;
};

// The stream's format (BITMAPINFOHEADER and what follows it in 'strf').
using FormatBytes = std::vector<uint8_t>;

std::unique_ptr<FrameDecoder> makeRawDecoder(const FormatBytes& format, std::string* why);
std::unique_ptr<FrameDecoder> makeCinepakDecoder(const FormatBytes& format, std::string* why);

// Looks up the stream's compression in the table; nullptr with the reason when none fits.
std::unique_ptr<FrameDecoder> makeFrameDecoder(const FormatBytes& format, std::string* why);

// The header of a bottom-up BI_RGB frame of this size and depth.
media::BitmapInfoHeader outputHeader(int width, int height, int bitCount);
media::BitmapInfoHeader parseBitmapInfoHeader(const FormatBytes& format);

} // namespace avi::detail
