// The records of a Saturn FILM movie file (".cpk"). Every multi-byte integer in the file is
// big-endian; the structs below hold host order and are converted only when stored.
//
//  file offset 0   FilmHeader   16 bytes
//             16   FdscChunk    32 bytes  (format descriptor)
//             48   StabChunk    16 bytes  (sample table header)
//             64   SampleEntry  16 bytes each, count of them
//   64 + 16*count  data area: the samples back to back, in table order, without gaps
//
//  FilmHeader                          FdscChunk
//  +0  "FILM"                          +0  "FDSC"
//  +4  header length = 64 + 16*count   +4  chunk length = 32
//      (= file offset of the data)     +8  video codec "cvid"
//  +8  version "1.08"                  +12 height (signed)
//  +12 reserved, 0                     +16 width (signed)
//                                      +20 video depth (8 bits): 24
//  StabChunk                           +21 sound channels (8 bits), 0 = no sound
//  +0  "STAB"                          +22 sound sample bits (8 bits)
//  +4  chunk length = 16 + 16*count    +23 sound compression (8 bits): 0
//  +8  time base: 600 ticks a second   +24 sound rate, 16.16 fixed point (Hz << 16)
//  +12 entry count                     +28 reserved, 0
//
//  SampleEntry
//  +0  offset of the sample, counted from the start of the data area
//  +4  length in bytes
//  +8  video: start time in ticks       sound chunk: 0xFFFFFFFF
//  +12 video: duration in ticks         sound chunk: 1
//  An entry never filled is stored as 16 zero bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct FilmHeader {
    char signature[4];
    uint32_t headerLength;
    char version[4];
    uint32_t reserved;
};

struct FdscChunk {
    char signature[4];
    uint32_t chunkLength;
    char videoCodec[4];
    int32_t height;
    int32_t width;
    uint8_t videoDepth;
    uint8_t soundChannels;
    uint8_t soundSampleBits;
    uint8_t soundCompression;
    uint32_t soundRate;
    uint32_t reserved;
};

struct StabChunk {
    char signature[4];
    uint32_t chunkLength;
    uint32_t timeBase;
    uint32_t entryCount;
};

struct SampleEntry {
    uint32_t offset;
    uint32_t length;
    uint32_t timestamp;
    uint32_t duration;
};

constexpr size_t kFilmHeaderSize = 16;
constexpr size_t kFdscChunkSize = 32;
constexpr size_t kStabChunkSize = 16;
constexpr size_t kSampleEntrySize = 16;
constexpr size_t kFilmFixedHeaderSize = kFilmHeaderSize + kFdscChunkSize + kStabChunkSize;

static_assert(sizeof(FilmHeader) == kFilmHeaderSize);
static_assert(sizeof(FdscChunk) == kFdscChunkSize);
static_assert(sizeof(StabChunk) == kStabChunkSize);
static_assert(sizeof(SampleEntry) == kSampleEntrySize);
static_assert(kFilmFixedHeaderSize == 64);

constexpr uint32_t kFilmTimeBase = 600;                 // ticks per second
constexpr uint32_t kSoundChunkTimestamp = 0xFFFFFFFF;   // marks a sound chunk's entry
constexpr uint32_t kSoundChunkDuration = 1;

// Reverse the bytes of a 32-bit or 16-bit integer in place.
void SwapLong(uint32_t* value);
void SwapShort(uint16_t* value);

// Store a record in its big-endian file form; out holds the record's size in bytes.
void StoreFilmHeader(const FilmHeader& header, uint8_t* out);
void StoreFdscChunk(const FdscChunk& fdsc, uint8_t* out);
void StoreStabChunk(const StabChunk& stab, uint8_t* out);
void StoreSampleEntry(const SampleEntry& entry, uint8_t* out);
// Read an entry back from its file form.
SampleEntry LoadSampleEntry(const uint8_t* in);
