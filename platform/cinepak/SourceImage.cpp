#include "cinepak/SourceImage.h"

#include "cinepak/Compressor.h"

#include <string>

namespace cinepak::detail {

SourceImage::SourceImage(const media::BitmapInfoHeader& header, const uint8_t* rows)
{
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    if (width < 1 || width > kMaxDimension || height < 1 || height > kMaxDimension)
        throw CompressError("image size " + std::to_string(header.biWidth) + "x" +
                            std::to_string(header.biHeight) + " is outside 1..8192");
    if (header.biCompression != media::kBiRgb)
        throw CompressError("input bitmap is not uncompressed RGB (compression " +
                            std::to_string(header.biCompression) + ")");
    if (header.biBitCount != 16 && header.biBitCount != 24 && header.biBitCount != 32)
        throw CompressError("input bit depth " + std::to_string(header.biBitCount) +
                            " is not 16, 24 or 32");
    if (rows == nullptr)
        throw CompressError("no input pixels");
    // The rows must hold the whole picture; a header that says they are shorter (a
    // non-zero image size below the rows' size) describes a buffer too small to read.
    const int64_t needed = media::dibRowSize(header.biBitCount, width) * height;
    if (header.biSizeImage != 0 && header.biSizeImage < needed)
        throw CompressError("input image size " + std::to_string(header.biSizeImage) +
                            " is smaller than its " + std::to_string(needed) + " bytes of rows");
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    bitCount_ = header.biBitCount;
    bottomUp_ = header.biHeight > 0;
    stride_ = media::dibRowSize(bitCount_, width_);
    rows_ = rows;
}

void SourceImage::rgbRow(int y, uint8_t* out) const
{
    const int64_t stored = bottomUp_ ? height_ - 1 - y : y;
    const uint8_t* p = rows_ + stored * stride_;
    switch (bitCount_) {
    case 16:
        for (int x = 0; x < width_; ++x, p += 2, out += 3) {
            const unsigned w = static_cast<unsigned>(p[0] | (p[1] << 8));
            const unsigned r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
            out[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
            out[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
            out[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        }
        break;
    case 24:
        for (int x = 0; x < width_; ++x, p += 3, out += 3) {
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
        break;
    default:
        for (int x = 0; x < width_; ++x, p += 4, out += 3) {
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
        break;
    }
}

namespace {

// Error-space parts of one pixel: grey, and the numerators of 7*U and 14*V.
struct PixelParts {
    int grey;
    int u7;
    int v14;
};

inline PixelParts parts(const uint8_t* rgb)
{
    const int r = rgb[0], g = rgb[1], b = rgb[2];
    return {2 * (r + g + b), 3 * b - r - 2 * g, 5 * r - 4 * g - b};
}

} // namespace

void SourceImage::blockVectors(int firstRow, int rowCount, std::vector<Vec>& patches,
                               std::vector<Vec>& means) const
{
    const int bx = blocksX();
    const int paddedWidth = bx * 4;
    patches.assign(static_cast<size_t>(rowCount) * bx * 4, Vec{});
    means.assign(static_cast<size_t>(rowCount) * bx, Vec{});
    std::vector<uint8_t> lines(static_cast<size_t>(paddedWidth) * 3 * 4);
    for (int row = 0; row < rowCount; ++row) {
        for (int k = 0; k < 4; ++k) {
            const int y = (firstRow + row) * 4 + k;
            uint8_t* line = lines.data() + static_cast<size_t>(k) * paddedWidth * 3;
            rgbRow(y < height_ ? y : height_ - 1, line);
            for (int x = width_; x < paddedWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    line[x * 3 + c] = line[(width_ - 1) * 3 + c];
        }
        for (int b = 0; b < bx; ++b) {
            Vec* patch = &patches[(static_cast<size_t>(row) * bx + b) * 4];
            int greySum[4] = {0, 0, 0, 0};
            int u7Block = 0, v14Block = 0;
            for (int q = 0; q < 4; ++q) {
                const int px = b * 4 + (q & 1) * 2;
                const int py = (q >> 1) * 2;
                int u7 = 0, v14 = 0;
                for (int i = 0; i < 4; ++i) {
                    const uint8_t* rgb = lines.data() +
                        (static_cast<size_t>(py + (i >> 1)) * paddedWidth + px + (i & 1)) * 3;
                    const PixelParts pp = parts(rgb);
                    patch[q].c[i] = static_cast<int16_t>(pp.grey);
                    greySum[q] += pp.grey;
                    u7 += pp.u7;
                    v14 += pp.v14;
                }
                patch[q].c[4] = static_cast<int16_t>(divRound(kChromaScaleU * u7, 28));
                patch[q].c[5] = static_cast<int16_t>(divRound(kChromaScaleV * v14, 56));
                u7Block += u7;
                v14Block += v14;
            }
            Vec& mean = means[static_cast<size_t>(row) * bx + b];
            for (int q = 0; q < 4; ++q)
                mean.c[q] = static_cast<int16_t>(divRound(greySum[q], 4));
            mean.c[4] = static_cast<int16_t>(divRound(kChromaScaleU * u7Block, 112));
            mean.c[5] = static_cast<int16_t>(divRound(kChromaScaleV * v14Block, 224));
        }
    }
}

} // namespace cinepak::detail
