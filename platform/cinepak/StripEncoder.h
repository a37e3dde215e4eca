// Codes one strip: trains its V4 and V1 books and chooses, block by block, between one V1
// entry and four V4 entries by distortion plus lambda times the bits each choice costs.
#pragma once

#include "cinepak/ErrorSpace.h"

#include <cstdint>
#include <vector>

namespace cinepak::detail {

struct StripParams {
    int64_t lambda = 0;  // 1/256 distance units per bit
    int maxV4 = 256;     // entries, 1..256
    int maxV1 = 256;
    int64_t trainLambda = 0; // lambda of the training rounds, at least lambda
    int iterations = 2;  // k-means passes per training
};

struct StripCode {
    std::vector<Entry> v4;
    std::vector<Entry> v1;
    std::vector<uint8_t> useV4;   // per block: 1 = four V4 entries, 0 = one V1 entry
    std::vector<uint8_t> indices; // per block: 4 V4 indices, or the V1 index then 3 zeros
    int64_t distortion = 0;       // distance units
};

// patches: 4 vectors per block; means: 1 per block; at least one block.
StripCode encodeStrip(const std::vector<Vec>& patches, const std::vector<Vec>& means,
                      const StripParams& params);

} // namespace cinepak::detail
