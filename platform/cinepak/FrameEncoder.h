// Codes a whole picture as one key frame at one quality: splits it into strips, codes each
// strip and writes the frame.
#pragma once

#include "cinepak/SourceImage.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cinepak::detail {

// Largest strip or chunk that every decoder reads the same way (16-bit size readers).
constexpr uint32_t kMaxStripBytes = 65535;
constexpr int kMaxStrips = 32;

// The frame at this quality (0..10000), or nothing when a strip would not stay under
// 64 KiB.
std::optional<std::vector<uint8_t>> encodeFrame(const SourceImage& source, int quality);

// Whether a picture of this many blocks can be coded at all with every strip under
// 64 KiB (the largest pictures cannot, even with 32 strips of V1 blocks).
bool stripsCanFit(int blocksX, int blocksY);

// Strip heights in block rows for a picture of this many blocks, largest first.
std::vector<int> planStrips(int blocksX, int blocksY);

} // namespace cinepak::detail
