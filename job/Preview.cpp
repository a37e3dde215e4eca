#include "job/Preview.h"

#include "media/MediaTypes.h"

#include <cstring>

namespace job {

PreviewSize FitPreview(int32_t width, int32_t height, int32_t areaWidth, int32_t areaHeight)
{
    if (width <= areaWidth && height <= areaHeight)
        return {width, height};
    // The products are taken in 64 bits so that a huge frame cannot overflow; every result
    // is at most the area's size and fits in 32 bits.
    const int64_t areaWbyH = int64_t{areaWidth} * height;
    const int64_t areaHbyW = int64_t{areaHeight} * width;
    if (areaWbyH > areaHbyW)
        return {static_cast<int32_t>(areaHbyW / height), areaHeight};
    return {areaWidth, static_cast<int32_t>(areaWbyH / width)};
}

PreviewRect PreparePreview(ConverterWindow& window)
{
    const PreviewRect area = window.previewArea();
    window.fillPreview(area);
    return area;
}

void DrawPreview(ConverterWindow& window, const uint8_t* frameBuffer, const PreviewRect& area)
{
    media::BitmapInfoHeader header;
    std::memcpy(&header, frameBuffer, sizeof header);
    if (header.biWidth <= 0 || header.biHeight <= 0 || area.width() <= 0 || area.height() <= 0)
        return;
    const PreviewSize size = FitPreview(header.biWidth, header.biHeight, area.width(),
                                        area.height());
    window.drawFrame(frameBuffer, area.left, area.top, size.width, size.height);
}

} // namespace job
