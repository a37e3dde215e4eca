// The frame preview: each frame on its way to the compressor, drawn at the preview area's
// top-left corner, shrunk with its proportions kept when it is larger than the area.
#pragma once

#include "job/ConverterWindow.h"

#include <cstdint>

namespace job {

struct PreviewSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size a frame of width x height is drawn at in an area of areaWidth x areaHeight:
// its own size when it fits, else the largest size of its proportions that fits (integer
// arithmetic, truncating). Never enlarged.
PreviewSize FitPreview(int32_t width, int32_t height, int32_t areaWidth, int32_t areaHeight);

// Once per file: takes the preview area from the window and fills it with the window colour.
PreviewRect PreparePreview(ConverterWindow& window);

// Once per frame: hands the working frame buffer (40-byte header, rows from byte 40) to the
// window, to be drawn at the area's top-left corner at the fitted size. Draws nothing for
// an empty frame or area.
void DrawPreview(ConverterWindow& window, const uint8_t* frameBuffer, const PreviewRect& area);

} // namespace job
