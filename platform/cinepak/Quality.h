// How the quality setting (0..10000) steers the compressor.
//
// Quality sets lambda, the price of one bit in distortion units (12 x RGB squared error):
// every block's V1/V4 choice and every codebook entry minimises distortion + lambda x bits.
//   quality 10000: lambda 0, the best picture the format gives (books of up to 256
//                  entries, V4 wherever it is closer);
//   below that lambda = kLambdaBase x (2^((10000 - quality) / kQualityPerOctave) - 1),
//   the power of 2 interpolated linearly within each octave, so lower quality trades
//   picture for bytes smoothly; quality 0 (lambda 24572) gives the smallest sensible frame.
#pragma once

#include <cstdint>

namespace cinepak::detail {

constexpr int kMaxQuality = 10000;
constexpr int kQualityPerOctave = 800;
// Lambda is kept in 1/256 distance units per bit so that fine steps near the top count.
constexpr int64_t kLambdaOne = 256;
constexpr int64_t kLambdaBase = 4 * kLambdaOne; // lambda one octave below the top

// The books are trained on the blocks that choose V4 (or V1) at no less than this lambda:
// a V4 book spread over blocks that V1 serves almost as well fits the rest worse.
constexpr int64_t kTrainLambda = 160 * kLambdaOne;

// Lambda in 1/256 distance units per bit.
int64_t lambdaForQuality(int quality);

} // namespace cinepak::detail
