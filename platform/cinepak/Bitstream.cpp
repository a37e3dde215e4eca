#include "cinepak/Bitstream.h"

#include "media/ByteOrder.h"

namespace cinepak::detail {

namespace {

bool isGrey(const std::vector<Entry>& book)
{
    if (book.empty())
        return false;
    for (const Entry& e : book)
        if (e.u != 0 || e.v != 0)
            return false;
    return true;
}

ChunkHeader bookChunk(const std::vector<Entry>& book, uint8_t fullId)
{
    const bool grey = isGrey(book);
    return {static_cast<uint8_t>(grey ? fullId | 0x04 : fullId),
            static_cast<uint32_t>(kChunkHeaderSize + book.size() * (grey ? 4 : 6))};
}

void appendChunkHeader(const ChunkHeader& h, std::vector<uint8_t>& out)
{
    uint8_t b[kChunkHeaderSize];
    b[0] = h.id;
    media::writeBE24(b + 1, h.length);
    out.insert(out.end(), b, b + kChunkHeaderSize);
}

void appendBook(const ChunkHeader& h, const std::vector<Entry>& book, std::vector<uint8_t>& out)
{
    appendChunkHeader(h, out);
    const bool grey = (h.id & 0x04) != 0;
    for (const Entry& e : book) {
        out.insert(out.end(), e.y, e.y + 4);
        if (!grey) {
            out.push_back(static_cast<uint8_t>(e.u));
            out.push_back(static_cast<uint8_t>(e.v));
        }
    }
}

} // namespace

StripLayout layoutStrip(const StripCode& code, int height, int width)
{
    StripLayout s;
    s.bottom = static_cast<uint16_t>(height);
    s.right = static_cast<uint16_t>(width);
    s.v4 = bookChunk(code.v4, 0x20);
    s.v1 = bookChunk(code.v1, 0x22);
    const size_t blocks = code.useV4.size();
    size_t v4Blocks = 0;
    for (uint8_t u : code.useV4)
        v4Blocks += u;
    if (v4Blocks == 0) {
        s.blocks = {0x32, static_cast<uint32_t>(kChunkHeaderSize + blocks)};
    } else {
        const size_t words = (blocks + 31) / 32;
        s.blocks = {0x30, static_cast<uint32_t>(kChunkHeaderSize + words * 4 + blocks +
                                                3 * v4Blocks)};
    }
    s.length = static_cast<uint32_t>(kStripHeaderSize + s.v4.length + s.v1.length +
                                     s.blocks.length);
    return s;
}

void writeFrameHeader(const FrameHeader& h, uint8_t* out)
{
    out[0] = h.flags;
    media::writeBE24(out + 1, h.length);
    media::writeBE16(out + 4, h.width);
    media::writeBE16(out + 6, h.height);
    media::writeBE16(out + 8, h.stripCount);
}

void appendStrip(const StripLayout& layout, const StripCode& code, std::vector<uint8_t>& out)
{
    uint8_t h[kStripHeaderSize];
    h[0] = layout.id;
    media::writeBE24(h + 1, layout.length);
    media::writeBE16(h + 4, layout.top);
    media::writeBE16(h + 6, layout.left);
    media::writeBE16(h + 8, layout.bottom);
    media::writeBE16(h + 10, layout.right);
    out.insert(out.end(), h, h + kStripHeaderSize);
    appendBook(layout.v4, code.v4, out);
    appendBook(layout.v1, code.v1, out);

    appendChunkHeader(layout.blocks, out);
    const size_t blocks = code.useV4.size();
    const uint8_t* idx = code.indices.data();
    if (layout.blocks.id == 0x32) {
        for (size_t b = 0; b < blocks; ++b)
            out.push_back(idx[b * 4]);
    } else {
        for (size_t b = 0; b < blocks; ++b) {
            if (b % 32 == 0) {
                uint32_t word = 0;
                for (size_t k = b; k < b + 32 && k < blocks; ++k)
                    word |= static_cast<uint32_t>(code.useV4[k]) << (31 - (k - b));
                uint8_t w[4];
                media::writeBE32(w, word);
                out.insert(out.end(), w, w + 4);
            }
            out.insert(out.end(), idx + b * 4, idx + b * 4 + (code.useV4[b] ? 4 : 1));
        }
    }
}

} // namespace cinepak::detail
