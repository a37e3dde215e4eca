// Parsing an AVI file's RIFF structure: the header list with its stream lists, the
// 'movi' lists of the file and its OpenDML extensions, and where idx1 lies.
//
//   RIFF 'AVI '
//     LIST 'hdrl'  avih, LIST 'strl' (strh strf [strn] [indx]) per stream, [LIST 'odml']
//     LIST 'movi'  '##dc' '##db' '##wb' chunks, maybe in LIST 'rec ', maybe ix## chunks
//     idx1         16 bytes per chunk: id, flags, offset, size
//   RIFF 'AVIX'    (OpenDML, any number)
//     LIST 'movi'
#include "avi/AviContents.h"

#include "media/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace avi::detail {

namespace {

constexpr uint32_t kRiff = fourCC("RIFF");
constexpr uint32_t kList = fourCC("LIST");
constexpr size_t kStrhMinSize = 48;   // up to dwSampleSize; rcFrame is optional
constexpr size_t kMaxFormatSize = 1 << 20;
constexpr int kMaxFrameSide = 8192;
constexpr int kMaxStreams = 100;

bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

std::string at(uint64_t offset) { return " at offset " + std::to_string(offset); }

bool readChunkData(const ByteSource& src, const Chunk& c, size_t limit, std::vector<uint8_t>* out)
{
    out->resize(std::min<size_t>(c.size, limit));
    return src.read(c.data(), out->data(), out->size());
}

bool parseStrh(const std::vector<uint8_t>& b, media::AviStreamInfo* info)
{
    if (b.size() < kStrhMinSize)
        return false;
    const uint8_t* p = b.data();
    info->fccType = media::readLE32(p);
    info->fccHandler = media::readLE32(p + 4);
    info->dwFlags = media::readLE32(p + 8);
    info->wPriority = media::readLE16(p + 12);
    info->wLanguage = media::readLE16(p + 14);
    info->dwInitialFrames = media::readLE32(p + 16);
    info->dwScale = media::readLE32(p + 20);
    info->dwRate = media::readLE32(p + 24);
    info->dwStart = media::readLE32(p + 28);
    info->dwLength = media::readLE32(p + 32);
    info->dwSuggestedBufferSize = media::readLE32(p + 36);
    info->dwQuality = media::readLE32(p + 40);
    info->dwSampleSize = media::readLE32(p + 44);
    if (b.size() >= 56) {
        const auto s16 = [p](size_t o) { return static_cast<int16_t>(media::readLE16(p + o)); };
        info->rcFrame = {s16(48), s16(50), s16(52), s16(54)};
    }
    return true;
}

bool parseStrl(const ByteSource& src, const Chunk& list, StreamData* stream, std::string* error)
{
    bool haveStrh = false;
    bool haveStrf = false;
    ChunkCursor cursor(src, list.data() + 4, list.dataEnd);
    Chunk c;
    while (cursor.next(&c)) {
        if (c.runsPast)
            return fail(error, "'" + fourCCText(c.id) + "' chunk" + at(c.offset) +
                                   " runs past its stream list");
        std::vector<uint8_t> bytes;
        if (c.id == fourCC("strh")) {
            if (!readChunkData(src, c, 64, &bytes) || !parseStrh(bytes, &stream->info))
                return fail(error, "stream header" + at(c.offset) + " is too short");
            haveStrh = true;
        } else if (c.id == fourCC("strf")) {
            if (c.size > kMaxFormatSize)
                return fail(error, "stream format" + at(c.offset) + " is too large");
            if (!readChunkData(src, c, kMaxFormatSize, &stream->format))
                return fail(error, "stream format" + at(c.offset) + " cannot be read");
            haveStrf = true;
        } else if (c.id == fourCC("strn")) {
            if (!readChunkData(src, c, sizeof(stream->info.szName) - 1, &bytes))
                return fail(error, "stream name" + at(c.offset) + " cannot be read");
            if (!bytes.empty())
                std::memcpy(stream->info.szName, bytes.data(), bytes.size());
        } else if (c.id == fourCC("indx")) {
            stream->superIndex = {c.data(), c.size};
        }
    }
    if (!haveStrh || !haveStrf)
        return fail(error, std::string("stream list") + at(list.offset) + " has no " +
                               (haveStrh ? "format" : "stream header"));
    return true;
}

bool parseHdrl(const ByteSource& src, const Chunk& hdrl, Contents* contents, std::string* error)
{
    ChunkCursor cursor(src, hdrl.data() + 4, hdrl.dataEnd);
    Chunk c;
    while (cursor.next(&c)) {
        if (c.runsPast)
            return fail(error, "'" + fourCCText(c.id) + "' chunk" + at(c.offset) +
                                   " runs past the header list");
        if (c.id == kList && c.listType == fourCC("strl")) {
            if (contents->streams.size() >= kMaxStreams)
                return fail(error, "more than " + std::to_string(kMaxStreams) + " streams");
            contents->streams.emplace_back();
            if (!parseStrl(src, c, &contents->streams.back(), error))
                return false;
        }
    }
    return true;
}

// Values that would make frames or timing meaningless: rejected before anyone uses them.
bool validateStream(const StreamData& s, size_t number, std::string* error)
{
    const std::string name = "stream " + std::to_string(number) + ": ";
    const uint32_t type = s.info.fccType;
    if (type != media::kFourCCVids && type != media::kFourCCAuds)
        return true;
    if (s.info.dwRate == 0 || s.info.dwScale == 0)
        return fail(error, name + "rate " + std::to_string(s.info.dwRate) + " / scale " +
                               std::to_string(s.info.dwScale) + " is not a valid speed");
    if (type == media::kFourCCVids) {
        if (s.format.size() < sizeof(media::BitmapInfoHeader))
            return fail(error, name + "video format of " + std::to_string(s.format.size()) +
                                   " bytes is too short");
        const int64_t width = static_cast<int32_t>(media::readLE32(s.format.data() + 4));
        const int64_t height = static_cast<int32_t>(media::readLE32(s.format.data() + 8));
        if (width < 1 || width > kMaxFrameSide || height == 0 || height < -kMaxFrameSide ||
            height > kMaxFrameSide)
            return fail(error, name + "frame size " + std::to_string(width) + "x" +
                                   std::to_string(height) + " is out of range (1..8192)");
    } else {
        if (s.format.size() < 14)
            return fail(error, name + "sound format of " + std::to_string(s.format.size()) +
                                   " bytes is too short");
        if (media::readLE16(s.format.data() + 12) == 0)
            return fail(error, name + "sound block size is 0");
    }
    return true;
}

bool parseMainRiff(const ByteSource& src, const Chunk& riff, Contents* contents,
                   std::string* error)
{
    bool haveHdrl = false;
    ChunkCursor cursor(src, riff.data() + 4, riff.dataEnd);
    Chunk c;
    while (cursor.next(&c)) {
        if (c.id == kList && c.listType == fourCC("hdrl")) {
            if (c.runsPast)
                return fail(error, "header list runs past the end of the file");
            if (!parseHdrl(src, c, contents, error))
                return false;
            haveHdrl = true;
        } else if (c.id == kList && c.listType == fourCC("movi")) {
            // A movi cut short by a truncated file keeps what is there.
            contents->movis.push_back({c.data(), c.dataEnd});
        } else if (c.id == fourCC("idx1")) {
            contents->idx1 = {c.data(), static_cast<uint32_t>(c.dataEnd - c.data())};
            contents->idx1Truncated = c.runsPast;
        }
    }
    if (!haveHdrl)
        return fail(error, "no header list ('hdrl')");
    return true;
}

// OpenDML extensions follow the first RIFF, maybe with JUNK between them; anything
// else ends the movie.
void findExtensions(const ByteSource& src, uint64_t pos, Contents* contents)
{
    ChunkCursor cursor(src, pos, src.size());
    Chunk riff;
    while (cursor.next(&riff)) {
        if (riff.id == fourCC("JUNK"))
            continue;
        if (riff.id != kRiff || riff.listType != fourCC("AVIX"))
            break;
        ChunkCursor inner(src, riff.data() + 4, riff.dataEnd);
        Chunk c;
        while (inner.next(&c))
            if (c.id == kList && c.listType == fourCC("movi"))
                contents->movis.push_back({c.data(), c.dataEnd});
    }
}

} // namespace

bool ChunkCursor::next(Chunk* chunk)
{
    if (pos_ >= end_ || end_ - pos_ < 8)
        return false;
    uint8_t header[12];
    if (!src_.read(pos_, header, 8))
        return false;
    Chunk c;
    c.id = media::readLE32(header);
    c.size = media::readLE32(header + 4);
    c.offset = pos_;
    const uint64_t room = end_ - c.data();
    c.runsPast = c.size > room;
    c.dataEnd = c.data() + std::min<uint64_t>(c.size, room);
    if ((c.id == kRiff || c.id == kList)) {
        if (c.dataEnd - c.data() < 4 || !src_.read(c.data(), header + 8, 4))
            c.listType = 0;
        else
            c.listType = media::readLE32(header + 8);
    }
    pos_ = c.dataEnd + (c.size & 1u);
    *chunk = c;
    return true;
}

std::string fourCCText(uint32_t id)
{
    if (id < 0x20202020u)
        return std::to_string(id); // BI_RGB, BI_RLE8 and the like are plain numbers
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char ch = static_cast<char>((id >> (8 * i)) & 0xFF);
        s += (ch >= 0x20 && ch < 0x7F) ? ch : '?';
    }
    return s;
}

int streamOfChunk(uint32_t id)
{
    int n = 0;
    for (int i = 0; i < 2; ++i) {
        const int ch = static_cast<int>((id >> (8 * i)) & 0xFF);
        int digit = -1;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        if (digit < 0)
            return -1;
        n = n * 16 + digit;
    }
    return n;
}

bool parseHeaders(const ByteSource& src, Contents* contents, std::string* error)
{
    uint8_t head[12];
    if (!src.read(0, head, sizeof head))
        return fail(error, "not an AVI file: only " + std::to_string(src.size()) + " bytes");
    if (media::readLE32(head) != kRiff || media::readLE32(head + 8) != fourCC("AVI "))
        return fail(error, "not an AVI file: it starts with '" +
                               fourCCText(media::readLE32(head)) + "' '" +
                               fourCCText(media::readLE32(head + 8)) + "'");
    ChunkCursor cursor(src, 0, src.size());
    Chunk riff;
    cursor.next(&riff);
    if (!parseMainRiff(src, riff, contents, error))
        return false;
    for (size_t i = 0; i < contents->streams.size(); ++i)
        if (!validateStream(contents->streams[i], i, error))
            return false;
    findExtensions(src, riff.dataEnd + (riff.size & 1u), contents);
    return true;
}

} // namespace avi::detail
