// What the parser finds in an AVI file: each stream's header, format and the stored
// chunks of its data in order. Shared by the parser, the index builders, the streams
// and frame access.
#pragma once

#include "avi/ByteSource.h"
#include "media/MediaTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace avi::detail {

// One stored chunk of a stream: where its data starts and how many bytes it holds.
struct ChunkRef {
    uint64_t offset = 0; // of the data, behind the 8-byte chunk header
    uint32_t size = 0;
    bool key = true;
};

// The raw material for a stream's index: the OpenDML index chunk of its strl, if any.
struct IndexRef {
    uint64_t offset = 0; // of the 'indx' data
    uint32_t size = 0;
};

struct StreamData {
    media::AviStreamInfo info;
    std::vector<uint8_t> format;
    IndexRef superIndex;
    std::vector<ChunkRef> chunks;
    bool keysKnown = true;         // false when the chunks were found by walking 'movi'
    std::vector<uint64_t> byteEnds; // sound: running total of stored bytes per chunk
};

// A 'movi' list: the offset of its 'movi' type field and the end of its contents.
struct MoviRange {
    uint64_t typeOffset = 0;
    uint64_t end = 0;
};

struct Contents {
    std::vector<StreamData> streams;
    std::vector<MoviRange> movis; // the first RIFF's, then each AVIX extension's
    IndexRef idx1;                // offset 0: none
    bool idx1Truncated = false;
};

// A chunk or list header inside [.., end): id, declared size, where its data starts.
struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;
    uint64_t offset = 0;   // of the header
    uint64_t dataEnd = 0;  // offset + 8 + size, clipped to the parent's end
    bool runsPast = false; // the declared size runs past the parent's end
    uint32_t listType = 0; // for RIFF and LIST: the 4-byte type, else 0

    uint64_t data() const { return offset + 8; }
};

// Walks the chunks of one parent range, handling the pad byte of odd sizes.
class ChunkCursor {
public:
    ChunkCursor(const ByteSource& src, uint64_t begin, uint64_t end)
        : src_(src), pos_(begin), end_(end) {}
    // The next chunk, or false when no complete 8-byte header is left.
    bool next(Chunk* chunk);

private:
    const ByteSource& src_;
    uint64_t pos_;
    uint64_t end_;
};

constexpr uint32_t fourCC(const char (&s)[5]) { return media::makeFourCC(s[0], s[1], s[2], s[3]); }
std::string fourCCText(uint32_t id); // printable form for messages

// Parses the headers and finds the movi lists and idx1; false with the reason.
bool parseHeaders(const ByteSource& src, Contents* contents, std::string* error);
// Fills every stream's chunks from the OpenDML indexes, idx1 or a walk through 'movi'.
void buildIndex(const ByteSource& src, Contents* contents);
// Stream number of a chunk id such as '01wb', or -1.
int streamOfChunk(uint32_t id);

} // namespace avi::detail
