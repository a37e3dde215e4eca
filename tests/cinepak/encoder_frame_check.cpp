#include "encoder_support.h"

#include "media/ByteOrder.h"

namespace cinepak::test {

namespace {

uint8_t clampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

struct BookEntry {
    int y[4];
    int u, v;
};

std::string readBook(const uint8_t* p, size_t size, bool grey, std::vector<BookEntry>& book)
{
    const size_t entrySize = grey ? 4 : 6;
    if (size % entrySize != 0)
        return "book payload is not whole entries";
    if (size / entrySize > 256)
        return "book has more than 256 entries";
    book.clear();
    for (size_t k = 0; k < size; k += entrySize) {
        BookEntry e{{p[k], p[k + 1], p[k + 2], p[k + 3]}, 0, 0};
        if (!grey) {
            e.u = static_cast<int8_t>(p[k + 4]);
            e.v = static_cast<int8_t>(p[k + 5]);
        }
        book.push_back(e);
    }
    return "";
}

void putPixel(std::vector<uint8_t>& rgb, int stride, int x, int y, int luma, int u, int v)
{
    uint8_t* o = &rgb[(static_cast<size_t>(y) * stride + x) * 3];
    o[0] = clampByte(luma + 2 * v);
    o[1] = clampByte(luma - u / 2 - v);
    o[2] = clampByte(luma + 2 * u);
}

} // namespace

std::string checkAndDecode(const std::vector<uint8_t>& frame, int width, int height,
                           std::vector<uint8_t>& rgb)
{
    const int pw = (width + 3) & ~3, ph = (height + 3) & ~3;
    if (frame.size() < 10)
        return "frame shorter than its header";
    if (frame[0] != 0)
        return "flags are not 0";
    if (media::readBE24(&frame[1]) != frame.size())
        return "frame length field differs from the frame size";
    if (media::readBE16(&frame[4]) != width || media::readBE16(&frame[6]) != height)
        return "frame header dimensions differ from the picture";
    const int strips = media::readBE16(&frame[8]);
    if (strips < 1 || strips > 32)
        return "strip count " + std::to_string(strips);
    std::vector<uint8_t> full(static_cast<size_t>(pw) * ph * 3);
    size_t pos = 10;
    int top = 0;
    for (int s = 0; s < strips; ++s) {
        if (frame.size() - pos < 12)
            return "strip header runs past the frame";
        const uint8_t* h = &frame[pos];
        const size_t length = media::readBE24(h + 1);
        const int sh = media::readBE16(h + 8);
        if (h[0] != 0x10)
            return "strip id is not 0x10";
        if (length < 12 || length > frame.size() - pos)
            return "strip length out of range";
        if (length >= 65536)
            return "strip of 64 KiB or more";
        if (media::readBE16(h + 4) != 0 || media::readBE16(h + 6) != 0 || sh <= 0 ||
            sh % 4 != 0 || media::readBE16(h + 10) != pw)
            return "strip rectangle is not stacked (0, 0, height, width)";
        if (top + sh > ph)
            return "strips cover more than the picture";
        const size_t end = pos + length;
        size_t cpos = pos + 12;
        const uint8_t* chunk[3];
        size_t csize[3];
        for (int c = 0; c < 3; ++c) {
            if (end - cpos < 4)
                return "strip holds fewer than three chunks";
            chunk[c] = &frame[cpos];
            csize[c] = media::readBE24(&frame[cpos + 1]);
            if (csize[c] < 4 || csize[c] > end - cpos)
                return "chunk length out of range";
            cpos += csize[c];
        }
        if (cpos != end)
            return "strip holds more than three chunks";
        const uint8_t id4 = chunk[0][0], id1 = chunk[1][0], idb = chunk[2][0];
        if ((id4 != 0x20 && id4 != 0x24) || (id1 != 0x22 && id1 != 0x26) ||
            (idb != 0x30 && idb != 0x32))
            return "chunks are not V4 book, V1 book, blocks";
        std::vector<BookEntry> v4, v1;
        std::string err = readBook(chunk[0] + 4, csize[0] - 4, id4 == 0x24, v4);
        if (err.empty())
            err = readBook(chunk[1] + 4, csize[1] - 4, id1 == 0x26, v1);
        if (!err.empty())
            return err;

        const uint8_t* p = chunk[2] + 4;
        const uint8_t* pend = chunk[2] + csize[2];
        uint32_t word = 0;
        int bitsLeft = 0;
        for (int by = 0; by < sh / 4; ++by)
            for (int bx = 0; bx < pw / 4; ++bx) {
                bool isV4 = false;
                if (idb == 0x30) {
                    if (bitsLeft == 0) {
                        if (pend - p < 4)
                            return "block data runs out";
                        word = media::readBE32(p);
                        p += 4;
                        bitsLeft = 32;
                    }
                    isV4 = (word >> 31) != 0;
                    word <<= 1;
                    --bitsLeft;
                }
                const int n = isV4 ? 4 : 1;
                if (pend - p < n)
                    return "block data runs out";
                const int x0 = bx * 4, y0 = top + by * 4;
                if (isV4) {
                    for (int q = 0; q < 4; ++q) {
                        if (p[q] >= v4.size())
                            return "V4 index beyond the book";
                        const BookEntry& e = v4[p[q]];
                        for (int i = 0; i < 4; ++i)
                            putPixel(full, pw, x0 + (q & 1) * 2 + (i & 1),
                                     y0 + (q >> 1) * 2 + (i >> 1), e.y[i], e.u, e.v);
                    }
                } else {
                    if (p[0] >= v1.size())
                        return "V1 index beyond the book";
                    const BookEntry& e = v1[p[0]];
                    for (int i = 0; i < 16; ++i) {
                        const int x = i & 3, y = i >> 2;
                        putPixel(full, pw, x0 + x, y0 + y, e.y[(y >> 1) * 2 + (x >> 1)], e.u,
                                 e.v);
                    }
                }
                p += n;
            }
        if (p != pend)
            return "block data longer than its blocks";
        top += sh;
        pos = end;
    }
    if (pos != frame.size())
        return "bytes after the last strip";
    if (top != ph)
        return "strips do not cover the picture";
    rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y)
        std::copy_n(&full[static_cast<size_t>(y) * pw * 3], static_cast<size_t>(width) * 3,
                    &rgb[static_cast<size_t>(y) * width * 3]);
    return "";
}

} // namespace cinepak::test
