// The picture to compress, read from a DIB and turned into error-space vectors block row
// by block row, so that memory stays bounded by one strip whatever the picture size.
#pragma once

#include "cinepak/ErrorSpace.h"
#include "media/MediaTypes.h"

#include <cstdint>
#include <vector>

namespace cinepak::detail {

constexpr int kMaxDimension = 8192;

class SourceImage {
public:
    // Checks the header (throws CompressError for input the compressor cannot take).
    SourceImage(const media::BitmapInfoHeader& header, const uint8_t* rows);

    int width() const { return width_; }
    int height() const { return height_; }
    int blocksX() const { return (width_ + 3) / 4; }
    int blocksY() const { return (height_ + 3) / 4; }

    // Vectors of block rows [firstRow, firstRow + rowCount): four patch vectors per block
    // (top-left, top-right, bottom-left, bottom-right) and one V1 vector per block, blocks
    // in raster order. Pixels beyond the picture repeat its last column and row.
    void blockVectors(int firstRow, int rowCount, std::vector<Vec>& patches,
                      std::vector<Vec>& means) const;

    // One picture row (0 = top) as R, G, B bytes, width() pixels.
    void rgbRow(int y, uint8_t* out) const;

private:
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    bool bottomUp_ = true;
    int64_t stride_ = 0;
    const uint8_t* rows_ = nullptr;
};

} // namespace cinepak::detail
