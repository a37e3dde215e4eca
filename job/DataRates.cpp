#include "job/DataRates.h"

#include <algorithm>
#include <limits>

namespace job {

void UpdateDataRates(ConverterWindow& window, RateState& state, const RateInputs& inputs,
                     int32_t compressedSize, int32_t frame)
{
    const uint32_t size = static_cast<uint32_t>(compressedSize);
    state.totalBytes += size;
    const uint32_t fps = inputs.rate / inputs.scale;

    // The per-frame figure keeps its 32-bit arithmetic; the average is 64-bit so that a
    // long file's total cannot wrap it.
    const auto current = static_cast<int32_t>(fps * size + inputs.soundBytesPerSecond);
    const auto framesSoFar = static_cast<uint64_t>(int64_t{frame} - inputs.firstFrame + 1);
    state.average = uint64_t{fps} * state.totalBytes / std::max<uint64_t>(framesSoFar, 1) +
                    inputs.soundBytesPerSecond;

    if (current > state.peak) {
        state.peak = current;
        window.setRateMax(current / 1000);
    }
    const uint64_t shown = std::min<uint64_t>(state.average / 1000,
                                              std::numeric_limits<int32_t>::max());
    window.setRateAvg(static_cast<int32_t>(shown));
}

} // namespace job
