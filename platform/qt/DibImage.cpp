#include "qt/DibImage.h"

#include "media/MediaTypes.h"

#include <cstdlib>
#include <cstring>

namespace kqt {

QImage imageFromDib(const uint8_t* frameBuffer)
{
    media::BitmapInfoHeader h;
    std::memcpy(&h, frameBuffer, sizeof h);
    if (h.biCompression != media::kBiRgb && h.biCompression != media::kBiBitfields)
        return QImage();
    const int32_t height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (h.biWidth <= 0 || h.biWidth > 32767 || height == 0 || height > 32767)
        return QImage();

    QImage::Format format = QImage::Format_Invalid;
    switch (h.biBitCount) {
    case 16: format = QImage::Format_RGB555; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return QImage();
    }
    const qsizetype rowSize = ((qsizetype{h.biBitCount} * h.biWidth + 31) & ~qsizetype{31}) / 8;
    const QImage view(frameBuffer + sizeof h, h.biWidth, height, rowSize, format);
    const QImage upright = h.biHeight > 0 ? view.mirrored(false, true) : view.copy();
    return upright.convertToFormat(QImage::Format_RGB32);
}

} // namespace kqt
