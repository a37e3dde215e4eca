// The AVI test writer: RIFF lists and chunks with sizes patched when they close.
#include "support/AviTestWriter.h"

#include "media/ByteOrder.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr uint32_t kIndexOfIndexes = 0x00;
constexpr uint32_t kIndexOfChunks = 0x01;
constexpr uint32_t kKeyFrameFlag = 0x10;
constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kIsInterleaved = 0x100;
constexpr size_t kSuperIndexHeader = 24;
constexpr size_t kSuperIndexEntry = 16;

// Builds the file in memory, except for holes: JUNK payloads that are only counted, so
// that files past 4 GiB can be written sparsely. Offsets are file offsets.
class Writer {
public:
    Bytes bytes;
    std::vector<std::pair<size_t, uint64_t>> holes; // (index in bytes, length)
    uint64_t holeBytes = 0;

    uint64_t pos() const { return bytes.size() + holeBytes; }
    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint32_t v)
    {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void u64(uint64_t v)
    {
        u32(static_cast<uint32_t>(v));
        u32(static_cast<uint32_t>(v >> 32));
    }
    void fourCC(const char* id) { bytes.insert(bytes.end(), id, id + 4); }
    void raw(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void hole(uint64_t length)
    {
        holes.emplace_back(bytes.size(), length);
        holeBytes += length;
    }
    size_t indexOf(uint64_t offset) const
    {
        uint64_t skipped = 0;
        for (const auto& [index, length] : holes)
            if (index + skipped < offset)
                skipped += length;
        return static_cast<size_t>(offset - skipped);
    }
    void patch32(uint64_t at, uint32_t v) { media::writeLE32(bytes.data() + indexOf(at), v); }
    void patch64(uint64_t at, uint64_t v)
    {
        patch32(at, static_cast<uint32_t>(v));
        patch32(at + 4, static_cast<uint32_t>(v >> 32));
    }

    // Returns the offset of the header; end() fills in the size and pads to even.
    uint64_t beginChunk(const char* id)
    {
        const uint64_t at = pos();
        fourCC(id);
        u32(0);
        return at;
    }
    uint64_t beginList(const char* id, const char* type)
    {
        const uint64_t at = beginChunk(id);
        fourCC(type);
        return at;
    }
    void end(uint64_t at)
    {
        patch32(at + 4, static_cast<uint32_t>(pos() - at - 8));
        if (pos() % 2)
            u8(0);
    }
    void chunk(const char* id, const Bytes& payload)
    {
        const uint64_t at = beginChunk(id);
        raw(payload);
        end(at);
    }
};

struct Entry {
    char id[4];
    uint64_t offset; // of the chunk header, from the file start
    uint32_t size;
    bool key;
};

// Per stream: the chunks of each RIFF, and where its super index lives.
struct StreamState {
    char id[4];       // e.g. "00dc"
    char ixId[4];     // e.g. "ix00"
    uint64_t indxAt = 0;
    std::vector<std::vector<Entry>> riffs;
};

uint32_t blockAlign(const AviStream& s)
{
    return s.format.size() >= 14 ? media::readLE16(s.format.data() + 12) : 1u;
}

bool isSound(const AviStream& s) { return s.type == media::kFourCCAuds; }

uint32_t streamLength(const AviStream& s)
{
    if (s.length >= 0)
        return static_cast<uint32_t>(s.length);
    if (!isSound(s))
        return static_cast<uint32_t>(s.chunks.size());
    size_t bytes = 0;
    for (const Bytes& c : s.chunks)
        bytes += c.size();
    return static_cast<uint32_t>(bytes / std::max<uint32_t>(1, blockAlign(s)));
}

void chunkIds(const AviStream& s, size_t index, StreamState& st)
{
    const char tens = static_cast<char>('0' + index / 10);
    const char ones = static_cast<char>('0' + index % 10);
    const char* suffix = "wb";
    if (!isSound(s)) {
        const uint32_t compression =
            s.format.size() >= 20 ? media::readLE32(s.format.data() + 16) : 0;
        suffix = (compression == media::kBiRgb || compression == media::kBiBitfields) ? "db"
                                                                                      : "dc";
    }
    const char id[4] = {tens, ones, suffix[0], suffix[1]};
    const char ix[4] = {'i', 'x', tens, ones};
    std::memcpy(st.id, id, 4);
    std::memcpy(st.ixId, ix, 4);
}

const AviStream* firstVideo(const AviMovie& m)
{
    for (const AviStream& s : m.streams)
        if (!isSound(s))
            return &s;
    return nullptr;
}

void writeAvih(Writer& w, const AviMovie& m, uint32_t framesInFirstRiff)
{
    const AviStream* video = firstVideo(m);
    int32_t width = 0, height = 0;
    if (video && video->format.size() >= 12) {
        width = static_cast<int32_t>(media::readLE32(video->format.data() + 4));
        height = static_cast<int32_t>(media::readLE32(video->format.data() + 8));
    }
    const uint64_t at = w.beginChunk("avih");
    w.u32(video && video->rate ? static_cast<uint32_t>(1000000ull * video->scale / video->rate)
                               : 0);
    w.u32(0); // max bytes per second
    w.u32(0); // padding granularity
    w.u32((m.layout.idx1 ? kHasIndex : 0) | kIsInterleaved);
    w.u32(framesInFirstRiff);
    w.u32(0); // initial frames
    w.u32(static_cast<uint32_t>(m.streams.size()));
    w.u32(0); // suggested buffer size
    w.u32(static_cast<uint32_t>(width));
    w.u32(static_cast<uint32_t>(std::abs(height)));
    for (int i = 0; i < 4; ++i)
        w.u32(0);
    w.end(at);
}

void writeStrl(Writer& w, const AviMovie& m, const AviStream& s, StreamState& st,
               size_t riffCount)
{
    const uint64_t list = w.beginList("LIST", "strl");
    const uint64_t strh = w.beginChunk("strh");
    w.u32(s.type);
    w.u32(s.handler);
    w.u32(0); // flags
    w.u16(0); // priority
    w.u16(0); // language
    w.u32(0); // initial frames
    w.u32(s.scale);
    w.u32(s.rate);
    w.u32(s.start);
    w.u32(streamLength(s));
    w.u32(0);          // suggested buffer size
    w.u32(0xFFFFFFFF); // quality: default
    w.u32(s.sampleSize);
    for (int i = 0; i < 4; ++i)
        w.u16(0); // rcFrame
    w.end(strh);
    w.chunk("strf", s.format);
    if (!s.name.empty()) {
        Bytes name(s.name.begin(), s.name.end());
        name.push_back(0);
        w.chunk("strn", name);
    }
    if (m.layout.openDml) {
        const uint64_t indx = w.beginChunk("indx");
        w.u16(4);                // longs per entry
        w.u8(0);                 // sub type
        w.u8(kIndexOfIndexes);
        w.u32(static_cast<uint32_t>(riffCount));
        w.fourCC(st.id);
        for (int i = 0; i < 3; ++i)
            w.u32(0);
        st.indxAt = indx;
        w.bytes.resize(w.bytes.size() + riffCount * kSuperIndexEntry, 0);
        w.end(indx);
    }
    w.end(list);
}

// Writes ix## for one stream and one RIFF; fills in its super index entry.
void writeStandardIndex(Writer& w, const AviStream& s, const StreamState& st, size_t riff)
{
    const std::vector<Entry>& entries = st.riffs[riff];
    const uint64_t at = w.beginChunk(st.ixId);
    const uint64_t base = entries.empty() ? 0 : entries.front().offset;
    w.u16(2);
    w.u8(0);
    w.u8(kIndexOfChunks);
    w.u32(static_cast<uint32_t>(entries.size()));
    w.fourCC(st.id);
    w.u64(base);
    w.u32(0);
    uint32_t duration = 0;
    for (const Entry& e : entries) {
        // Offsets point at the chunk's data, behind its 8-byte header.
        w.u32(static_cast<uint32_t>(e.offset + 8 - base));
        w.u32(e.size | (e.key ? 0u : 0x80000000u));
        duration += isSound(s) ? e.size / std::max<uint32_t>(1, blockAlign(s)) : 1u;
    }
    w.end(at);
    const uint64_t slot = st.indxAt + 8 + kSuperIndexHeader + riff * kSuperIndexEntry;
    w.patch64(slot, at);
    w.patch32(slot + 8, static_cast<uint32_t>(w.pos() - at));
    w.patch32(slot + 12, duration);
}

void writeMovi(Writer& w, const AviMovie& m, std::vector<StreamState>& states, size_t riff,
               size_t firstRound, size_t lastRound)
{
    const uint64_t movi = w.beginList("LIST", "movi");
    if (riff > 0 && m.layout.avixLeadingJunk > 0) {
        const uint64_t junk = w.beginChunk("JUNK");
        w.hole(m.layout.avixLeadingJunk);
        w.end(junk);
    }
    for (size_t round = firstRound; round < lastRound; ++round) {
        const uint64_t rec = m.layout.recLists ? w.beginList("LIST", "rec ") : 0;
        for (size_t i = 0; i < m.streams.size(); ++i) {
            const AviStream& s = m.streams[i];
            if (round >= s.chunks.size())
                continue;
            const bool key = s.keyFrames.empty() || isSound(s) ||
                             (round < s.keyFrames.size() && s.keyFrames[round]);
            Entry e{};
            std::memcpy(e.id, states[i].id, 4);
            e.offset = w.pos();
            e.size = static_cast<uint32_t>(s.chunks[round].size());
            e.key = key;
            states[i].riffs[riff].push_back(e);
            w.chunk(states[i].id, s.chunks[round]);
        }
        if (m.layout.recLists)
            w.end(rec);
        if (m.layout.junk)
            w.chunk("JUNK", Bytes(5, 0));
    }
    if (m.layout.openDml)
        for (size_t i = 0; i < m.streams.size(); ++i)
            writeStandardIndex(w, m.streams[i], states[i], riff);
    w.end(movi);
}

void writeIdx1(Writer& w, const AviMovie& m, const std::vector<StreamState>& states,
               uint64_t moviAt)
{
    std::vector<Entry> all;
    for (const StreamState& st : states)
        all.insert(all.end(), st.riffs[0].begin(), st.riffs[0].end());
    std::sort(all.begin(), all.end(),
              [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
    const uint64_t base = m.layout.absoluteIdx1 ? 0 : moviAt + 8;
    const uint64_t at = w.beginChunk("idx1");
    for (const Entry& e : all) {
        w.fourCC(e.id);
        w.u32(e.key ? kKeyFrameFlag : 0);
        w.u32(static_cast<uint32_t>(e.offset - base));
        w.u32(e.size);
    }
    w.end(at);
}

} // namespace

AviStream rawVideo(int width, int height, int bitCount, std::vector<Bytes> frames,
                   const Bytes& palette, const std::vector<uint32_t>& masks)
{
    AviStream s;
    s.type = media::kFourCCVids;
    Writer f;
    f.u32(40);
    f.u32(static_cast<uint32_t>(width));
    f.u32(static_cast<uint32_t>(height));
    f.u16(1);
    f.u16(static_cast<uint32_t>(bitCount));
    f.u32(masks.empty() ? media::kBiRgb : media::kBiBitfields);
    f.u32(static_cast<uint32_t>(media::dibRowSize(bitCount, width) * std::abs(height)));
    f.u32(0);
    f.u32(0);
    f.u32(static_cast<uint32_t>(palette.size() / 4));
    f.u32(0);
    for (uint32_t mask : masks)
        f.u32(mask);
    f.raw(palette);
    s.format = f.bytes;
    s.chunks = std::move(frames);
    return s;
}

AviStream cinepakVideo(int width, int height, std::vector<Bytes> frames,
                       std::vector<bool> keyFrames)
{
    AviStream s = rawVideo(width, height, 24, std::move(frames));
    s.handler = media::kFourCCCvid;
    media::writeLE32(s.format.data() + 16, media::kFourCCCvid);
    s.keyFrames = std::move(keyFrames);
    return s;
}

AviStream pcmSound(int channels, int bitsPerSample, uint32_t samplesPerSec, const Bytes& samples,
                   size_t samplesPerChunk)
{
    AviStream s;
    s.type = media::kFourCCAuds;
    const uint32_t align = static_cast<uint32_t>(channels * bitsPerSample / 8);
    Writer f;
    f.u16(media::kWaveFormatPcm);
    f.u16(static_cast<uint32_t>(channels));
    f.u32(samplesPerSec);
    f.u32(samplesPerSec * align);
    f.u16(align);
    f.u16(static_cast<uint32_t>(bitsPerSample));
    f.u16(0);
    s.format = f.bytes;
    s.rate = samplesPerSec;
    s.scale = 1;
    s.sampleSize = align;
    const size_t step = std::max<size_t>(1, samplesPerChunk) * align;
    for (size_t at = 0; at < samples.size(); at += step)
        s.chunks.emplace_back(samples.begin() + static_cast<ptrdiff_t>(at),
                              samples.begin() + static_cast<ptrdiff_t>(
                                                    std::min(samples.size(), at + step)));
    return s;
}

namespace {

Writer build(const AviMovie& m)
{
    size_t rounds = 0;
    for (const AviStream& s : m.streams)
        rounds = std::max(rounds, s.chunks.size());
    const size_t perRiff = m.layout.openDml ? static_cast<size_t>(std::max(1, m.layout.chunksPerRiff))
                                            : std::max<size_t>(1, rounds);
    const size_t riffCount = std::max<size_t>(1, (rounds + perRiff - 1) / perRiff);

    std::vector<StreamState> states(m.streams.size());
    for (size_t i = 0; i < m.streams.size(); ++i) {
        chunkIds(m.streams[i], i, states[i]);
        states[i].riffs.resize(riffCount);
    }
    const AviStream* video = firstVideo(m);
    const uint32_t framesInFirstRiff =
        video ? static_cast<uint32_t>(std::min(video->chunks.size(), perRiff)) : 0;

    Writer w;
    const uint64_t riff = w.beginList("RIFF", "AVI ");
    const uint64_t hdrl = w.beginList("LIST", "hdrl");
    writeAvih(w, m, framesInFirstRiff);
    if (m.layout.junk)
        w.chunk("JUNK", Bytes(7, 0));
    for (size_t i = 0; i < m.streams.size(); ++i)
        writeStrl(w, m, m.streams[i], states[i], riffCount);
    if (m.layout.openDml) {
        const uint64_t odml = w.beginList("LIST", "odml");
        const uint64_t dmlh = w.beginChunk("dmlh");
        w.u32(video ? static_cast<uint32_t>(video->chunks.size()) : 0);
        w.end(dmlh);
        w.end(odml);
    }
    w.end(hdrl);

    const uint64_t moviAt = w.pos();
    writeMovi(w, m, states, 0, 0, std::min(rounds, perRiff));
    if (m.layout.idx1)
        writeIdx1(w, m, states, moviAt);
    if (m.layout.junk)
        w.chunk("JUNK", Bytes(3, 0));
    w.end(riff);

    for (size_t r = 1; r < riffCount; ++r) {
        const uint64_t avix = w.beginList("RIFF", "AVIX");
        writeMovi(w, m, states, r, r * perRiff, std::min(rounds, (r + 1) * perRiff));
        w.end(avix);
    }
    return w;
}

} // namespace

Bytes writeAvi(const AviMovie& movie)
{
    const Writer w = build(movie);
    Bytes out;
    size_t from = 0;
    for (const auto& [index, length] : w.holes) {
        out.insert(out.end(), w.bytes.begin() + static_cast<ptrdiff_t>(from),
                   w.bytes.begin() + static_cast<ptrdiff_t>(index));
        out.resize(out.size() + static_cast<size_t>(length), 0);
        from = index;
    }
    out.insert(out.end(), w.bytes.begin() + static_cast<ptrdiff_t>(from), w.bytes.end());
    return out;
}

void writeAviFile(const std::filesystem::path& path, const AviMovie& movie)
{
    const Writer w = build(movie);
    std::ofstream out(path, std::ios::binary);
    size_t from = 0;
    for (const auto& [index, length] : w.holes) {
        out.write(reinterpret_cast<const char*>(w.bytes.data() + from),
                  static_cast<std::streamsize>(index - from));
        out.seekp(static_cast<std::streamoff>(length), std::ios::cur); // left sparse
        from = index;
    }
    out.write(reinterpret_cast<const char*>(w.bytes.data() + from),
              static_cast<std::streamsize>(w.bytes.size() - from));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

size_t findChunk(const Bytes& bytes, const char fourCC[4], size_t from)
{
    for (size_t i = from; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, fourCC, 4) == 0)
            return i >= 8 && (std::memcmp(bytes.data() + i - 8, "LIST", 4) == 0 ||
                              std::memcmp(bytes.data() + i - 8, "RIFF", 4) == 0)
                       ? i - 8
                       : i;
    return SIZE_MAX;
}

} // namespace testsupport
