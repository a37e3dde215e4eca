// Cinepak frame decoding: frame and strip headers, codebook chunks, block data.
#include "cinepak/Decoder.h"
#include "cinepak/Format.h"

#include "media/ByteOrder.h"
#include "media/MediaTypes.h"

#include <algorithm>
#include <cstring>

namespace cinepak {

namespace {

bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = "damaged Cinepak frame: " + why;
    return false;
}

uint8_t clampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// One 2x2 patch's four pixels in B,G,R from luminance and signed colour differences.
// U/2 truncates toward zero (C division), which is what the reference decoders do.
void patchToBgr(const uint8_t y[4], int u, int v, uint8_t out[12])
{
    for (int k = 0; k < 4; ++k) {
        out[3 * k + 0] = clampByte(y[k] + 2 * u);
        out[3 * k + 1] = clampByte(y[k] - u / 2 - v);
        out[3 * k + 2] = clampByte(y[k] + 2 * v);
    }
}

// The 32-bit flag words of book and block chunks, most significant bit first, read
// only when a bit is needed and the previous word is used up.
struct FlagBits {
    uint32_t word = 0;
    uint32_t mask = 0;

    // Next bit into *bit; false when the data has no word left.
    bool next(const uint8_t*& p, const uint8_t* end, bool* bit)
    {
        mask >>= 1;
        if (mask == 0) {
            if (end - p < 4)
                return false;
            word = media::readBE32(p);
            p += 4;
            mask = 0x80000000u;
        }
        *bit = (word & mask) != 0;
        return true;
    }
};

// Applies a codebook chunk to a book. Full loads fill indices 0, 1, ...; selective
// updates take one flag bit per index. Both stop quietly where the payload ends.
template <typename Store>
void loadBook(int chunkId, const uint8_t* p, const uint8_t* end, Store store)
{
    const bool selective = (chunkId & 0x01) != 0;
    const ptrdiff_t entrySize = (chunkId & 0x04) ? 4 : 6;
    FlagBits flags;
    for (int i = 0; i < 256; ++i) {
        if (selective) {
            bool present = false;
            if (!flags.next(p, end, &present))
                return;
            if (!present)
                continue;
        }
        if (end - p < entrySize)
            return;
        uint8_t bgr[12];
        if (entrySize == 6)
            patchToBgr(p, static_cast<int8_t>(p[4]), static_cast<int8_t>(p[5]), bgr);
        else
            patchToBgr(p, 0, 0, bgr);
        store(i, bgr);
        p += entrySize;
    }
}

void storeV4(std::array<uint8_t, 12>& entry, const uint8_t bgr[12])
{
    std::memcpy(entry.data(), bgr, 12);
}

// A V1 entry covers a 4x4 block: each of its pixels becomes a 2x2 square.
void storeV1(std::array<uint8_t, 24>& entry, const uint8_t bgr[12])
{
    for (int half = 0; half < 2; ++half) {
        const uint8_t* left = bgr + 6 * half;
        uint8_t* row = entry.data() + 12 * half;
        std::memcpy(row + 0, left, 3);
        std::memcpy(row + 3, left, 3);
        std::memcpy(row + 6, left + 3, 3);
        std::memcpy(row + 9, left + 3, 3);
    }
}

} // namespace

Decoder::Decoder(int width, int height)
    : width_(std::clamp(width, 1, kMaxSize)),
      height_(std::clamp(height, 1, kMaxSize)),
      paddedWidth_((width_ + 3) & ~3),
      paddedHeight_((height_ + 3) & ~3),
      rowSize_(static_cast<size_t>(media::dibRowSize(24, width_))),
      ownRows_(rowSize_ * static_cast<size_t>(height_), 0),
      rows_(ownRows_.data()),
      books_(kMaxStrips)
{
}

void Decoder::reset()
{
    std::fill(rows_, rows_ + rowSize_ * static_cast<size_t>(height_), uint8_t{0});
    std::fill(books_.begin(), books_.end(), Books{});
}

void Decoder::useRows(uint8_t* rows)
{
    if (rows == rows_)
        return;
    std::memcpy(rows, rows_, rowSize_ * static_cast<size_t>(height_));
    rows_ = rows;
    ownRows_ = {};
}

int Decoder::width() const { return width_; }
int Decoder::height() const { return height_; }
const uint8_t* Decoder::dibRows() const { return rows_; }
size_t Decoder::dibRowSize() const { return rowSize_; }

bool Decoder::decode(const uint8_t* data, size_t size, std::string* error)
{
    if (size < kFrameHeaderSize)
        return fail(error, "frame of " + std::to_string(size) + " bytes has no header");
    const bool ownBooks = (data[0] & 0x01) != 0;
    const size_t frameLength = media::readBE24(data + 1);
    const size_t stripCount = media::readBE16(data + 8);
    if (stripCount == 0)
        return true;
    if (frameLength > size)
        return fail(error, "frame length " + std::to_string(frameLength) + " exceeds the " +
                               std::to_string(size) + " bytes stored");
    if (size < kFrameHeaderSize + stripCount * kStripHeaderSize)
        return fail(error, std::to_string(stripCount) + " strips do not fit the frame");

    const uint8_t* const end = data + size;
    const uint8_t* p = data + kFrameHeaderSize;
    int previousBottom = 0;
    bool ok = true;
    for (size_t i = 0; i < std::min<size_t>(stripCount, kMaxStrips) && ok; ++i) {
        if (end - p < static_cast<ptrdiff_t>(kStripHeaderSize)) {
            ok = fail(error, "strip " + std::to_string(i) + " is cut off");
            break;
        }
        StripRect rect{};
        rect.y1 = media::readBE16(p + 4);
        rect.x1 = media::readBE16(p + 6);
        rect.y2 = media::readBE16(p + 8);
        rect.x2 = media::readBE16(p + 10);
        if (rect.y1 == 0) { // stacked: the value at offset 8 is the strip's height
            rect.y1 = previousBottom;
            rect.y2 += previousBottom;
        }
        const size_t stripLength = media::readBE24(p + 1);
        if (stripLength < kStripHeaderSize) {
            ok = fail(error, "strip " + std::to_string(i) + " length " +
                                 std::to_string(stripLength) + " is below its header size");
            break;
        }
        p += kStripHeaderSize;
        const uint8_t* stripEnd =
            (static_cast<size_t>(end - p) < stripLength - kStripHeaderSize)
                ? end
                : p + (stripLength - kStripHeaderSize);
        if (i > 0 && !ownBooks)
            books_[i] = books_[i - 1];
        ok = decodeStrip(static_cast<int>(i), rect, p, stripEnd, error);
        p = stripEnd;
        previousBottom = rect.y2;
    }
    return ok;
}

bool Decoder::decodeStrip(int index, const StripRect& rect, const uint8_t* p,
                          const uint8_t* end, std::string* error)
{
    if (rect.x2 > paddedWidth_ || rect.y2 > paddedHeight_ || rect.x1 >= rect.x2 ||
        rect.y1 >= rect.y2) {
        return fail(error, "strip " + std::to_string(index) + " rectangle (" +
                               std::to_string(rect.x1) + "," + std::to_string(rect.y1) + ")-(" +
                               std::to_string(rect.x2) + "," + std::to_string(rect.y2) +
                               ") lies outside the picture");
    }
    Books& books = books_[static_cast<size_t>(index)];
    while (end - p >= static_cast<ptrdiff_t>(kChunkHeaderSize)) {
        const int id = p[0];
        const size_t length = media::readBE24(p + 1);
        if (length < kChunkHeaderSize)
            return fail(error, "chunk length " + std::to_string(length) + " is below 4");
        p += kChunkHeaderSize;
        const uint8_t* chunkEnd = (static_cast<size_t>(end - p) < length - kChunkHeaderSize)
                                      ? end
                                      : p + (length - kChunkHeaderSize);
        switch (id) {
        case 0x20: case 0x21: case 0x24: case 0x25:
            loadBook(id, p, chunkEnd,
                     [&books](int i, const uint8_t* bgr) { storeV4(books.v4[i], bgr); });
            break;
        case 0x22: case 0x23: case 0x26: case 0x27:
            loadBook(id, p, chunkEnd,
                     [&books](int i, const uint8_t* bgr) { storeV1(books.v1[i], bgr); });
            break;
        case 0x30: case 0x31: case 0x32:
            // Block data ends the strip; anything behind it is ignored.
            return decodeBlocks(books, rect, id, p, chunkEnd, error);
        default:
            break; // unknown chunks are skipped by their length
        }
        p = chunkEnd;
    }
    return fail(error, "strip " + std::to_string(index) + " has no block data");
}

namespace {

// Where one 4x4 block goes: its four rows in the picture, and how many of its columns
// are visible. Rows below the picture point at the last visible row and are written
// before it, so that the visible rows end up right.
struct BlockTarget {
    uint8_t* row[4];
    int columns;
};

// The block's pixels as four rows of 12 bytes, from its entries.
void composeV1(const uint8_t* e, uint8_t out[4][12])
{
    std::memcpy(out[0], e, 12);
    std::memcpy(out[1], e, 12);
    std::memcpy(out[2], e + 12, 12);
    std::memcpy(out[3], e + 12, 12);
}

void composeV4(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d,
               uint8_t out[4][12])
{
    const uint8_t* halves[4][2] = {{a, b}, {a + 6, b + 6}, {c, d}, {c + 6, d + 6}};
    for (int r = 0; r < 4; ++r) {
        std::memcpy(out[r], halves[r][0], 6);
        std::memcpy(out[r] + 6, halves[r][1], 6);
    }
}

// Blocks at the picture's right edge, or wholly below it: only visible pixels are kept.
void drawClipped(const BlockTarget& t, const uint8_t pixels[4][12])
{
    if (t.columns <= 0)
        return;
    for (int r = 3; r >= 0; --r)
        std::memcpy(t.row[r], pixels[r], static_cast<size_t>(t.columns) * 3);
}

inline void drawV1(const BlockTarget& t, const uint8_t* e)
{
    if (t.columns == 4) {
        std::memcpy(t.row[3], e + 12, 12);
        std::memcpy(t.row[2], e + 12, 12);
        std::memcpy(t.row[1], e, 12);
        std::memcpy(t.row[0], e, 12);
    } else {
        uint8_t pixels[4][12];
        composeV1(e, pixels);
        drawClipped(t, pixels);
    }
}

inline void drawV4(const BlockTarget& t, const uint8_t* a, const uint8_t* b, const uint8_t* c,
                   const uint8_t* d)
{
    if (t.columns == 4) {
        std::memcpy(t.row[3], c + 6, 6);
        std::memcpy(t.row[3] + 6, d + 6, 6);
        std::memcpy(t.row[2], c, 6);
        std::memcpy(t.row[2] + 6, d, 6);
        std::memcpy(t.row[1], a + 6, 6);
        std::memcpy(t.row[1] + 6, b + 6, 6);
        std::memcpy(t.row[0], a, 6);
        std::memcpy(t.row[0] + 6, b, 6);
    } else {
        uint8_t pixels[4][12];
        composeV4(a, b, c, d, pixels);
        drawClipped(t, pixels);
    }
}

} // namespace

bool Decoder::decodeBlocks(const Books& books, const StripRect& rect, int chunkId,
                           const uint8_t* p, const uint8_t* end, std::string* error)
{
    const bool hasSkipBits = (chunkId & 0x01) != 0;
    const bool allV1 = (chunkId & 0x02) != 0;
    const auto cutOff = [error] { return fail(error, "block data is cut off"); };
    const size_t rowSize = rowSize_;
    uint8_t* const top = rows_ + rowSize * static_cast<size_t>(height_ - 1); // row 0
    FlagBits flags;
    for (int y = rect.y1; y < rect.y2; y += 4) {
        BlockTarget t{};
        const bool visible = y < height_;
        for (int r = 0; r < 4; ++r) {
            const int row = std::min(y + r, height_ - 1);
            t.row[r] = top - rowSize * static_cast<size_t>(row) + static_cast<size_t>(rect.x1) * 3;
        }
        for (int x = rect.x1; x < rect.x2; x += 4) {
            bool coded = true;
            if (hasSkipBits && !flags.next(p, end, &coded))
                return cutOff();
            if (coded) {
                bool v4 = false;
                if (!allV1 && !flags.next(p, end, &v4))
                    return cutOff();
                t.columns = visible ? std::min(4, width_ - x) : 0;
                if (!v4) {
                    if (p == end)
                        return cutOff();
                    drawV1(t, books.v1[*p++].data());
                } else {
                    if (end - p < 4)
                        return cutOff();
                    drawV4(t, books.v4[p[0]].data(), books.v4[p[1]].data(),
                           books.v4[p[2]].data(), books.v4[p[3]].data());
                    p += 4;
                }
            }
            for (uint8_t*& row : t.row)
                row += 12;
        }
    }
    return true;
}

} // namespace cinepak
