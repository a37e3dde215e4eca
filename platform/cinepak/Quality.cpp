#include "cinepak/Quality.h"

namespace cinepak::detail {

int64_t lambdaForQuality(int quality)
{
    if (quality >= kMaxQuality)
        return 0;
    // kLambdaBase x (2^(steps / kQualityPerOctave) - 1), with the fractional octave
    // interpolated linearly in 1/1024 units so that it stays exact integer arithmetic.
    const int steps = kMaxQuality - quality;
    const int octave = steps / kQualityPerOctave;
    const int64_t frac = int64_t{steps % kQualityPerOctave} * 1024 / kQualityPerOctave;
    const int64_t scaled = (int64_t{1024} << octave) * (1024 + frac) / 1024;
    return (kLambdaBase * (scaled - 1024) + 512) / 1024;
}

} // namespace cinepak::detail
