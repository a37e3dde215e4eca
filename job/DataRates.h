// The data-rate figures: the average rate of a file's frames so far and the highest rate of
// any single frame, each in bytes per second with the sound's rate added, shown in units
// of 1000 bytes per second.
#pragma once

#include "job/ConverterWindow.h"

#include <cstdint>

namespace job {

// Reset before a file's first frame.
struct RateState {
    uint64_t totalBytes = 0; // compressed bytes of the file's frames so far
    int32_t peak = 0;        // the highest per-frame figure so far
    uint64_t average = 0;    // the last average figure
};

struct RateInputs {
    uint32_t rate = 0;  // the video stream's dwRate
    uint32_t scale = 1; // its dwScale, not 0
    uint32_t soundBytesPerSecond = 0; // 0 without sound
    int32_t firstFrame = 0;
};

// Once per frame, after compression: adds the frame's compressed size to the state, sets
// the peak field when the frame's figure is a new peak, and sets the average field.
// Frames per second count as the whole part of rate / scale.
void UpdateDataRates(ConverterWindow& window, RateState& state, const RateInputs& inputs,
                     int32_t compressedSize, int32_t frame);

} // namespace job
