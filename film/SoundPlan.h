// The timing of a FILM movie: frame durations in ticks, the lengths of the sound chunks,
// and the interleaving rule that places a sound chunk after a frame.
//
// The first sound chunk (L0 bytes, half a second) opens the data area; after it the sound
// keeps a lead over the picture. Each frame lowers the lead by its duration; when the lead
// has fallen to kLeadRefill or below, one chunk of Q bytes (a quarter second) follows the
// frame and raises it by kLeadPerChunk. At most one chunk follows a frame. This stops once
// every sound byte has a chunk.
#pragma once

#include <cstdint>

#include "film/FilmRecords.h"

constexpr int64_t kLeadStart = kFilmTimeBase / 2;        // after the first chunk
constexpr int64_t kLeadRefill = kFilmTimeBase * 3 / 8;   // 225 ticks
constexpr int64_t kLeadPerChunk = kFilmTimeBase / 4;     // 150 ticks

// The largest entry count whose header length (64 + 16 * count) fits in 32 bits.
constexpr uint64_t kMaxSampleEntries = (UINT32_MAX - kFilmFixedHeaderSize) / kSampleEntrySize;

// Ticks one frame lasts, scale / rate seconds rounded to the nearest tick, computed without
// overflow. rate must not be 0.
uint64_t FrameDuration(uint32_t rate, uint32_t scale);

// L0 and Q from the descriptor's sound fields, each rounded down to a multiple of 4 bytes
// so that stereo chunks split into equal halves of whole samples.
uint32_t FirstChunkLength(const FdscChunk& fdsc);
uint32_t ChunkLength(const FdscChunk& fdsc);

struct InterleavePlan {
    uint64_t frames = 0;
    uint64_t frameDuration = 0; // ticks
    bool sound = false;         // the descriptor announces sound: the first chunk is placed
    uint32_t soundLength = 0;   // bytes still to be given chunks before the first chunk
    uint32_t firstChunk = 0;    // L0
    uint32_t chunk = 0;         // Q, at least 4 when soundLength exceeds firstChunk
};

// The number of table entries (frames and sound chunks) the interleaving places when all
// frames are written. Stops counting beyond limit and returns limit + 1 then.
uint64_t CountPlacedEntries(const InterleavePlan& plan, uint64_t limit);
