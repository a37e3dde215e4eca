// Cinepak key-frame syntax: headers computed as values, then serialised big-endian.
//
//   frame  10 bytes: flags (0) | length (24) | width (16) | height (16) | strip count (16)
//   strip  12 bytes: 0x10 | length (24) | top 0 | left 0 | bottom = strip height | right
//   chunk   4 bytes: id | length (24), then the payload:
//     0x20 / 0x24  V4 book, full: 6-byte entries Y0 Y1 Y2 Y3 U V / 4-byte grey entries
//     0x22 / 0x26  V1 book, full: the same two entry forms
//     0x30         blocks: 32-bit flag words (1 = V4), each before the indices of the
//                  first block it describes; 1 index byte per V1 block, 4 per V4 block
//     0x32         blocks, all V1: 1 index byte per block
//
// Every strip holds exactly these three chunks in this order; lengths count the header.
#pragma once

#include "cinepak/Format.h"
#include "cinepak/StripEncoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinepak::detail {

struct FrameHeader {
    uint8_t flags = 0;
    uint32_t length = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t stripCount = 0;
};

struct ChunkHeader {
    uint8_t id = 0;
    uint32_t length = 0;
};

struct StripLayout {
    uint8_t id = 0x10;
    uint32_t length = 0;
    uint16_t top = 0;
    uint16_t left = 0;
    uint16_t bottom = 0; // the strip's height
    uint16_t right = 0;  // the coded width
    ChunkHeader v4;
    ChunkHeader v1;
    ChunkHeader blocks;
};

// Headers of a strip coded as `code`, height and coded width in pixels.
StripLayout layoutStrip(const StripCode& code, int height, int width);

void writeFrameHeader(const FrameHeader& h, uint8_t* out);
// Appends the strip's header and its three chunks.
void appendStrip(const StripLayout& layout, const StripCode& code, std::vector<uint8_t>& out);

} // namespace cinepak::detail
