// Finding every stream's chunks: from the OpenDML indexes (indx -> ix##), else from
// idx1, else by walking the 'movi' lists. An index is used only when every entry it
// gives points at a chunk of its stream inside the file, past the stream's previous
// chunk; otherwise the walk decides, which also reads what a truncated file still holds.
//
//   indx / ix## header (24 bytes): wLongsPerEntry u16, bIndexSubType u8, bIndexType u8
//   (0 = index of indexes, 1 = index of chunks), nEntriesInUse u32, dwChunkId, then
//   12 reserved bytes (indx) or qwBaseOffset u64 + 4 reserved (ix##).
//   indx entry: qwOffset u64 (of the ix## chunk), dwSize, dwDuration.
//   ix## entry: dwOffset (of the data, from qwBaseOffset), dwSize (bit 31: not a key).
#include "avi/AviContents.h"

#include "media/ByteOrder.h"

#include <algorithm>

namespace avi::detail {

namespace {

constexpr uint32_t kIdx1List = 0x01;
constexpr uint32_t kIdx1KeyFrame = 0x10;
constexpr size_t kIdx1EntrySize = 16;
constexpr size_t kIndexHeaderSize = 24;
constexpr uint32_t kNotKeyFrame = 0x80000000u;
constexpr size_t kEntriesPerRead = 4096;
constexpr int kMaxListDepth = 4;

using Lists = std::vector<std::vector<ChunkRef>>;

bool isPaletteChange(uint32_t id) { return ((id >> 16) & 0xFFFF) == ('p' | ('c' << 8)); }

// The stream a data chunk id belongs to, or -1 for anything else.
int dataStream(uint32_t id, size_t streamCount)
{
    const int n = streamOfChunk(id);
    if (n < 0 || static_cast<size_t>(n) >= streamCount || isPaletteChange(id))
        return -1;
    return n;
}

// The chunk header in front of data carries an id of this stream.
bool headerBelongsTo(const ByteSource& src, uint64_t data, int stream)
{
    uint8_t id[4];
    return data >= 8 && src.read(data - 8, id, 4) &&
           streamOfChunk(media::readLE32(id)) == stream;
}

// A stream's chunks lie in the file in the order they play, so each entry must point
// past the one before. That also refuses an index that lists a chunk twice, which a
// super index could otherwise repeat, ix## after ix##, into billions of entries.
bool addEntry(const ByteSource& src, uint64_t data, uint32_t size, bool key, int stream,
              Lists* lists)
{
    std::vector<ChunkRef>& list = (*lists)[static_cast<size_t>(stream)];
    if ((!list.empty() && data <= list.back().offset) || !src.contains(data, size) ||
        !headerBelongsTo(src, data, stream))
        return false;
    list.push_back({data, size, key});
    return true;
}

// An ix## body (or an indx that is itself an index of chunks).
bool readChunkIndex(const ByteSource& src, uint64_t body, uint64_t size, int stream, Lists* lists)
{
    uint8_t h[kIndexHeaderSize];
    if (size < kIndexHeaderSize || !src.read(body, h, sizeof h) || h[3] != 1)
        return false;
    const size_t stride = static_cast<size_t>(media::readLE16(h)) * 4;
    const uint64_t base = media::readLE64(h + 12);
    if (stride < 8)
        return false;
    const uint64_t count = std::min<uint64_t>(media::readLE32(h + 4), (size - 24) / stride);
    std::vector<uint8_t> block;
    for (uint64_t first = 0; first < count; first += kEntriesPerRead) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kEntriesPerRead, count - first));
        block.resize(n * stride);
        if (!src.read(body + kIndexHeaderSize + first * stride, block.data(), block.size()))
            return false;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = block.data() + i * stride;
            const uint32_t rawSize = media::readLE32(e + 4);
            const uint64_t data = base + media::readLE32(e);
            if (data < base ||
                !addEntry(src, data, rawSize & ~kNotKeyFrame, !(rawSize & kNotKeyFrame), stream,
                          lists))
                return false;
        }
    }
    return true;
}

bool readSuperIndex(const ByteSource& src, const IndexRef& indx, int stream, Lists* lists)
{
    uint8_t h[kIndexHeaderSize];
    if (indx.size < kIndexHeaderSize || !src.read(indx.offset, h, sizeof h))
        return false;
    if (h[3] == 1)
        return readChunkIndex(src, indx.offset, indx.size, stream, lists);
    if (h[3] != 0 || media::readLE16(h) != 4)
        return false;
    const uint64_t count = std::min<uint64_t>(media::readLE32(h + 4), (indx.size - 24) / 16);
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t e[16];
        if (!src.read(indx.offset + kIndexHeaderSize + i * 16, e, sizeof e))
            return false;
        const uint64_t chunk = media::readLE64(e);
        uint8_t ix[8];
        if (!src.read(chunk, ix, sizeof ix))
            return false;
        const uint32_t ixSize = media::readLE32(ix + 4);
        if (!src.contains(chunk + 8, ixSize) ||
            !readChunkIndex(src, chunk + 8, ixSize, stream, lists))
            return false;
    }
    return true;
}

bool fromOpenDml(const ByteSource& src, const Contents& contents, Lists* lists)
{
    for (size_t i = 0; i < contents.streams.size(); ++i) {
        const IndexRef& indx = contents.streams[i].superIndex;
        if (indx.size == 0 || !readSuperIndex(src, indx, static_cast<int>(i), lists))
            return false;
    }
    return !contents.streams.empty();
}

// idx1 offsets count from the 'movi' type field, or (some writers) from the file start.
bool idx1Base(const ByteSource& src, const Contents& contents, const uint8_t* entry,
              uint64_t* base)
{
    const int stream = dataStream(media::readLE32(entry), contents.streams.size());
    const uint64_t offset = media::readLE32(entry + 8);
    for (uint64_t candidate : {contents.movis.front().typeOffset, uint64_t{0}}) {
        if (headerBelongsTo(src, candidate + offset + 8, stream)) {
            *base = candidate;
            return true;
        }
    }
    return false;
}

bool fromIdx1(const ByteSource& src, const Contents& contents, Lists* lists)
{
    if (contents.idx1.offset == 0 || contents.idx1Truncated || contents.movis.size() != 1)
        return false;
    const uint64_t count = contents.idx1.size / kIdx1EntrySize;
    bool haveBase = false;
    uint64_t base = 0;
    std::vector<uint8_t> block;
    for (uint64_t first = 0; first < count; first += kEntriesPerRead) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kEntriesPerRead, count - first));
        block.resize(n * kIdx1EntrySize);
        if (!src.read(contents.idx1.offset + first * kIdx1EntrySize, block.data(), block.size()))
            return false;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = block.data() + i * kIdx1EntrySize;
            const uint32_t flags = media::readLE32(e + 4);
            const int stream = dataStream(media::readLE32(e), contents.streams.size());
            if ((flags & kIdx1List) || stream < 0)
                continue;
            if (!haveBase && !(haveBase = idx1Base(src, contents, e, &base)))
                return false;
            if (!addEntry(src, base + media::readLE32(e + 8) + 8, media::readLE32(e + 12),
                          (flags & kIdx1KeyFrame) != 0, stream, lists))
                return false;
        }
    }
    return haveBase;
}

// Returns false when the data ends inside a chunk: nothing after it can be trusted.
bool walk(const ByteSource& src, const Contents& contents, uint64_t begin, uint64_t end,
          int depth, Lists* lists)
{
    ChunkCursor cursor(src, begin, end);
    Chunk c;
    while (cursor.next(&c)) {
        if (c.listType != 0) {
            if (depth < kMaxListDepth && c.listType == fourCC("rec ") &&
                !walk(src, contents, c.data() + 4, c.dataEnd, depth + 1, lists))
                return false;
            if (c.runsPast)
                return false;
            continue;
        }
        const int stream = dataStream(c.id, contents.streams.size());
        if (c.runsPast) {
            // A sound chunk cut short still holds samples; a cut frame is lost.
            if (stream >= 0 && contents.streams[stream].info.fccType == media::kFourCCAuds)
                (*lists)[static_cast<size_t>(stream)].push_back(
                    {c.data(), static_cast<uint32_t>(c.dataEnd - c.data()), true});
            return false;
        }
        if (stream >= 0)
            (*lists)[static_cast<size_t>(stream)].push_back({c.data(), c.size, false});
    }
    return true;
}

} // namespace

void buildIndex(const ByteSource& src, Contents* contents)
{
    const size_t n = contents->streams.size();
    Lists lists(n);
    bool keysKnown = true;
    if (!fromOpenDml(src, *contents, &lists)) {
        lists.assign(n, {});
        if (!fromIdx1(src, *contents, &lists)) {
            lists.assign(n, {});
            keysKnown = false;
            for (const MoviRange& movi : contents->movis)
                if (!walk(src, *contents, movi.typeOffset + 4, movi.end, 0, &lists))
                    break;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        StreamData& s = contents->streams[i];
        s.chunks = std::move(lists[i]);
        s.keysKnown = keysKnown;
        if (!s.chunks.empty())
            s.chunks.front().key = true; // decoding always starts from the first frame
        uint64_t total = 0;
        s.byteEnds.clear();
        if (s.info.fccType == media::kFourCCAuds) {
            s.byteEnds.reserve(s.chunks.size());
            for (const ChunkRef& c : s.chunks)
                s.byteEnds.push_back(total += c.size);
        }
    }
}

} // namespace avi::detail
