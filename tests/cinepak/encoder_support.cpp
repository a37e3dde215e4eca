#include "encoder_support.h"

#include "media/ByteOrder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace cinepak::test {

Dib makeDib(int width, int height, int bits, bool topDown,
            const std::function<void(int x, int y, uint8_t rgb[3])>& rgb)
{
    Dib dib;
    dib.header.biWidth = width;
    dib.header.biHeight = topDown ? -height : height;
    dib.header.biBitCount = static_cast<uint16_t>(bits);
    const size_t stride = static_cast<size_t>(media::dibRowSize(bits, width));
    dib.header.biSizeImage = static_cast<uint32_t>(stride * static_cast<size_t>(height));
    dib.rows.assign(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = dib.rows.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint8_t c[3];
            rgb(x, y, c);
            if (bits == 16) {
                const unsigned w = ((c[0] >> 3u) << 10) | ((c[1] >> 3u) << 5) | (c[2] >> 3u);
                media::writeLE16(row + x * 2, static_cast<uint16_t>(w));
            } else {
                uint8_t* p = row + x * (bits / 8);
                p[0] = c[2];
                p[1] = c[1];
                p[2] = c[0];
                if (bits == 32)
                    p[3] = 0xA5; // unused byte: must not matter
            }
        }
    }
    return dib;
}

std::vector<uint8_t> dibToRgb(const Dib& dib)
{
    const int width = dib.header.biWidth;
    const bool topDown = dib.header.biHeight < 0;
    const int height = topDown ? -dib.header.biHeight : dib.header.biHeight;
    const int bits = dib.header.biBitCount;
    const size_t stride = static_cast<size_t>(media::dibRowSize(bits, width));
    std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row =
            dib.rows.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint8_t* o = &out[(static_cast<size_t>(y) * width + x) * 3];
            if (bits == 16) {
                const unsigned w = media::readLE16(row + x * 2);
                const unsigned c[3] = {(w >> 10) & 31, (w >> 5) & 31, w & 31};
                for (int k = 0; k < 3; ++k)
                    o[k] = static_cast<uint8_t>((c[k] << 3) | (c[k] >> 2));
            } else {
                const uint8_t* p = row + x * (bits / 8);
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            }
        }
    }
    return out;
}

void scenePixel(int x, int y, uint8_t rgb[3])
{
    // A sky gradient, a disc with an edge, a striped roof and pseudo-random grain.
    const double fx = x / 64.0, fy = y / 64.0;
    double r = 90 + 60 * std::sin(fx * 1.3) + 40 * fy;
    double g = 120 + 50 * std::cos(fy * 1.7 + fx * 0.4);
    double b = 200 - 30 * fy;
    const double dx = x - 40.0, dy = y - 30.0;
    if (dx * dx + dy * dy < 400) {
        r = 240;
        g = 180 + dx;
        b = 40;
    }
    if (y > 50 && ((x + y) / 3) % 2 == 0) {
        r *= 0.6;
        g *= 0.5;
    }
    const unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    const double grain = static_cast<double>(h % 17) - 8;
    const double c[3] = {r + grain, g + grain, b + grain};
    for (int k = 0; k < 3; ++k)
        rgb[k] = static_cast<uint8_t>(c[k] < 0 ? 0 : (c[k] > 255 ? 255 : c[k]));
}

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

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sse = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        sse += d * d;
    }
    if (sse == 0)
        return 99.0;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sse);
}

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    media::writeLE32(b, v);
    out.insert(out.end(), b, b + 4);
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(tag[i]));
}

// The smallest AVI ffmpeg reads: one 'cvid' stream, every frame a key frame in the index.
std::vector<uint8_t> wrapAvi(const std::vector<std::vector<uint8_t>>& frames, int width,
                             int height)
{
    std::vector<uint8_t> hdrl;
    putTag(hdrl, "hdrl");
    putTag(hdrl, "avih");
    put32(hdrl, 56);
    const uint32_t avih[14] = {66666, 0, 0, 0x10, static_cast<uint32_t>(frames.size()), 0, 1,
                               0, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                               0, 0, 0, 0};
    for (uint32_t v : avih)
        put32(hdrl, v);
    std::vector<uint8_t> strl;
    putTag(strl, "strl");
    putTag(strl, "strh");
    put32(strl, 56);
    putTag(strl, "vids");
    putTag(strl, "cvid");
    const uint32_t strh[10] = {0, 0, 0, 1, 15, 0, static_cast<uint32_t>(frames.size()), 0,
                               0xFFFFFFFF, 0};
    for (uint32_t v : strh)
        put32(strl, v);
    put32(strl, 0);
    put32(strl, static_cast<uint32_t>(width) | (static_cast<uint32_t>(height) << 16));
    putTag(strl, "strf");
    put32(strl, 40);
    const uint32_t bih[10] = {40, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                              1 | (24u << 16), media::kFourCCCvid, 0, 0, 0, 0, 0};
    for (uint32_t v : bih)
        put32(strl, v);
    putTag(hdrl, "LIST");
    put32(hdrl, static_cast<uint32_t>(strl.size()));
    hdrl.insert(hdrl.end(), strl.begin(), strl.end());

    std::vector<uint8_t> movi, idx;
    putTag(movi, "movi");
    for (const auto& f : frames) {
        putTag(idx, "00dc");
        put32(idx, 0x10);
        put32(idx, static_cast<uint32_t>(movi.size()));
        put32(idx, static_cast<uint32_t>(f.size()));
        putTag(movi, "00dc");
        put32(movi, static_cast<uint32_t>(f.size()));
        movi.insert(movi.end(), f.begin(), f.end());
        if (f.size() % 2)
            movi.push_back(0);
    }
    std::vector<uint8_t> avi;
    putTag(avi, "RIFF");
    put32(avi, 0);
    putTag(avi, "AVI ");
    putTag(avi, "LIST");
    put32(avi, static_cast<uint32_t>(hdrl.size()));
    avi.insert(avi.end(), hdrl.begin(), hdrl.end());
    putTag(avi, "LIST");
    put32(avi, static_cast<uint32_t>(movi.size()));
    avi.insert(avi.end(), movi.begin(), movi.end());
    putTag(avi, "idx1");
    put32(avi, static_cast<uint32_t>(idx.size()));
    avi.insert(avi.end(), idx.begin(), idx.end());
    media::writeLE32(&avi[4], static_cast<uint32_t>(avi.size() - 8));
    return avi;
}

} // namespace

std::vector<std::vector<uint8_t>> ffmpegDecode(const std::vector<std::vector<uint8_t>>& frames,
                                               int width, int height, const std::string& dir)
{
    namespace fs = std::filesystem;
    const fs::path avi = fs::path(dir) / "frames.avi";
    const fs::path raw = fs::path(dir) / "frames.rgb";
    {
        const std::vector<uint8_t> bytes = wrapAvi(frames, width, height);
        std::ofstream out(avi, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + avi.string());
    }
    const std::string cmd = "ffmpeg -nostdin -v error -y -i '" + avi.string() +
                            "' -f rawvideo -pix_fmt rgb24 '" + raw.string() + "'";
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("ffmpeg failed: " + cmd);
    std::ifstream in(raw, std::ios::binary);
    const std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    if (all.size() != frameBytes * frames.size())
        throw std::runtime_error("ffmpeg gave " + std::to_string(all.size()) + " bytes");
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < frames.size(); ++i)
        out.emplace_back(all.begin() + static_cast<long>(i * frameBytes),
                         all.begin() + static_cast<long>((i + 1) * frameBytes));
    return out;
}

} // namespace cinepak::test
