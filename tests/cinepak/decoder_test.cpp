#include "cinepak/Decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void putBE(Bytes& out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes chunk(uint8_t id, const Bytes& payload)
{
    Bytes out{id};
    putBE(out, static_cast<uint32_t>(payload.size() + 4), 3);
    append(out, payload);
    return out;
}

// A stacked strip (top 0, left 0) of the given height and width.
Bytes strip(uint8_t id, int height, int width, const std::vector<Bytes>& chunks)
{
    Bytes body;
    for (const Bytes& c : chunks)
        append(body, c);
    Bytes out{id};
    putBE(out, static_cast<uint32_t>(body.size() + 12), 3);
    putBE(out, 0, 2);
    putBE(out, 0, 2);
    putBE(out, static_cast<uint32_t>(height), 2);
    putBE(out, static_cast<uint32_t>(width), 2);
    append(out, body);
    return out;
}

Bytes frame(uint8_t flags, int width, int height, const std::vector<Bytes>& strips)
{
    Bytes body;
    for (const Bytes& s : strips)
        append(body, s);
    Bytes out{flags};
    putBE(out, static_cast<uint32_t>(body.size() + 10), 3);
    putBE(out, static_cast<uint32_t>(width), 2);
    putBE(out, static_cast<uint32_t>(height), 2);
    putBE(out, static_cast<uint32_t>(strips.size()), 2);
    append(out, body);
    return out;
}

// R, G, B of the pixel at (x, y), y counted from the top.
std::array<int, 3> rgb(const cinepak::Decoder& d, int x, int y)
{
    const uint8_t* p = d.dibRows() + static_cast<size_t>(d.height() - 1 - y) * d.dibRowSize() +
                       static_cast<size_t>(x) * 3;
    return {p[2], p[1], p[0]};
}

std::vector<std::vector<int>> greys(const cinepak::Decoder& d)
{
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < d.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < d.width(); ++x) {
            const auto c = rgb(d, x, y);
            rows.back().push_back(c[0] == c[1] && c[1] == c[2] ? c[0] : -1);
        }
    }
    return rows;
}

// Key frame 8x4: block 0 is V1 entry 0, block 1 is V4 entries 0..3 (last one coloured).
const Bytes kKeyFrame = {
    0x00, 0x00, 0x00, 0x49, 0x00, 0x08, 0x00, 0x04, 0x00, 0x01,
    0x10, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08,
    0x20, 0x00, 0x00, 0x1C,
    0x64, 0x64, 0x64, 0x64, 0x00, 0x00, 0x32, 0x3C, 0x46, 0x50, 0x00, 0x00,
    0xC8, 0xC8, 0xC8, 0xC8, 0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x0A, 0xF6,
    0x22, 0x00, 0x00, 0x0A, 0x0A, 0x14, 0x1E, 0x28, 0x00, 0x00,
    0x30, 0x00, 0x00, 0x0D, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03};

TEST(CinepakDecoder, KeyFrameWithV1AndV4Blocks)
{
    cinepak::Decoder d(8, 4);
    std::string error;
    ASSERT_TRUE(d.decode(kKeyFrame.data(), kKeyFrame.size(), &error)) << error;
    const std::vector<std::vector<int>> expected = {
        {10, 10, 20, 20, 100, 100, 50, 60},
        {10, 10, 20, 20, 100, 100, 70, 80},
        {30, 30, 40, 40, 200, 200, -1, -1},
        {30, 30, 40, 40, 200, 200, -1, -1}};
    EXPECT_EQ(greys(d), expected);
    for (int y : {2, 3})
        for (int x : {6, 7})
            EXPECT_EQ(rgb(d, x, y), (std::array<int, 3>{108, 133, 148}));
}

TEST(CinepakDecoder, InterFrameSkipsAndRecodesBlocks)
{
    cinepak::Decoder d(8, 4);
    ASSERT_TRUE(d.decode(kKeyFrame.data(), kKeyFrame.size()));
    const Bytes inter = {
        0x00, 0x00, 0x00, 0x27, 0x00, 0x08, 0x00, 0x04, 0x00, 0x01,
        0x11, 0x00, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08,
        0x20, 0x00, 0x00, 0x04, 0x22, 0x00, 0x00, 0x04,
        0x31, 0x00, 0x00, 0x09, 0x40, 0x00, 0x00, 0x00, 0x00};
    std::string error;
    ASSERT_TRUE(d.decode(inter.data(), inter.size(), &error)) << error;
    const std::vector<std::vector<int>> expected = {
        {10, 10, 20, 20, 10, 10, 20, 20},
        {10, 10, 20, 20, 10, 10, 20, 20},
        {30, 30, 40, 40, 30, 30, 40, 40},
        {30, 30, 40, 40, 30, 30, 40, 40}};
    EXPECT_EQ(greys(d), expected);

    // A frame without strips changes nothing.
    const Bytes empty = {0x00, 0x00, 0x00, 0x0A, 0x00, 0x08, 0x00, 0x04, 0x00, 0x00};
    ASSERT_TRUE(d.decode(empty.data(), empty.size()));
    EXPECT_EQ(greys(d), expected);
}

TEST(CinepakDecoder, DecodesIntoTheCallersRows)
{
    cinepak::Decoder d(8, 4);
    ASSERT_TRUE(d.decode(kKeyFrame.data(), kKeyFrame.size()));
    const auto before = greys(d);
    std::vector<uint8_t> rows(d.dibRowSize() * 4, 0xEE);
    d.useRows(rows.data());
    EXPECT_EQ(d.dibRows(), rows.data());
    EXPECT_EQ(greys(d), before); // the picture moved along
    const Bytes skipAll = frame(1, 8, 4, {strip(0x11, 4, 8, {chunk(0x20, {}), chunk(0x22, {}),
                                                            chunk(0x31, {0, 0, 0, 0})})});
    ASSERT_TRUE(d.decode(skipAll.data(), skipAll.size()));
    EXPECT_EQ(greys(d), before);
    d.reset();
    EXPECT_EQ(rows, std::vector<uint8_t>(rows.size(), 0));
}

TEST(CinepakDecoder, FlagWordChangesInsideABlock)
{
    // 33 blocks in one row: 0-30 skipped, 31 coded V4, 32 skipped.
    const Bytes v4Book = {11, 12, 13, 14, 0, 0, 21, 22, 23, 24, 0, 0,
                          31, 32, 33, 34, 0, 0, 41, 42, 43, 44, 0, 0};
    const Bytes blocks = {0x00, 0x00, 0x00, 0x01, 0x80, 0x00, 0x00, 0x00, 0, 1, 2, 3};
    const Bytes f = frame(1, 132, 4, {strip(0x11, 4, 132, {chunk(0x20, v4Book), chunk(0x22, {}),
                                                           chunk(0x31, blocks)})});
    cinepak::Decoder d(132, 4);
    std::string error;
    ASSERT_TRUE(d.decode(f.data(), f.size(), &error)) << error;
    const auto g = greys(d);
    const std::vector<int> block31 = {11, 12, 21, 22};
    EXPECT_EQ(std::vector<int>(g[0].begin() + 124, g[0].begin() + 128), block31);
    EXPECT_EQ((std::vector<int>(g[3].begin() + 124, g[3].begin() + 128)),
              (std::vector<int>{33, 34, 43, 44}));
    EXPECT_EQ(g[0][123], 0);
    EXPECT_EQ(g[0][128], 0);
}

TEST(CinepakDecoder, StripsInheritBooksUnlessTheFrameSaysOtherwise)
{
    const Bytes v1Book = {90, 90, 90, 90, 0, 0};
    const Bytes allV1 = {0, 0};
    for (const uint8_t flags : {0, 1}) {
        const Bytes f = frame(flags, 8, 8,
                              {strip(0x10, 4, 8, {chunk(0x20, {}), chunk(0x22, v1Book),
                                                  chunk(0x32, allV1)}),
                               strip(0x10, 4, 8, {chunk(0x20, {}), chunk(0x22, {}),
                                                  chunk(0x32, allV1)})});
        cinepak::Decoder d(8, 8);
        std::string error;
        ASSERT_TRUE(d.decode(f.data(), f.size(), &error)) << error;
        EXPECT_EQ(greys(d)[0][0], 90);
        EXPECT_EQ(greys(d)[7][7], flags ? 0 : 90) << "flags " << int(flags);
    }
}

TEST(CinepakDecoder, SelectiveAndLuminanceOnlyBookUpdates)
{
    cinepak::Decoder d(16, 4);
    // Full 4-byte V1 book with entries 0..3, then a selective update of entries 1 and 3.
    const Bytes full = {10, 10, 10, 10, 20, 20, 20, 20, 30, 30, 30, 30, 40, 40, 40, 40};
    const Bytes update = {0x50, 0x00, 0x00, 0x00, 55, 55, 55, 55, 0, 0, 77, 77, 77, 77, 0, 0};
    const Bytes indices = {0, 1, 2, 3};
    const Bytes key = frame(0, 16, 4, {strip(0x10, 4, 16, {chunk(0x24, {}), chunk(0x26, full),
                                                          chunk(0x32, indices)})});
    const Bytes inter = frame(0, 16, 4, {strip(0x11, 4, 16, {chunk(0x25, {}), chunk(0x23, update),
                                                            chunk(0x32, indices)})});
    ASSERT_TRUE(d.decode(key.data(), key.size()));
    EXPECT_EQ(greys(d)[0], (std::vector<int>{10, 10, 10, 10, 20, 20, 20, 20,
                                             30, 30, 30, 30, 40, 40, 40, 40}));
    ASSERT_TRUE(d.decode(inter.data(), inter.size()));
    EXPECT_EQ(greys(d)[0], (std::vector<int>{10, 10, 10, 10, 55, 55, 55, 55,
                                             30, 30, 30, 30, 77, 77, 77, 77}));
    d.reset();
    EXPECT_EQ(greys(d)[0][4], 0);
}

TEST(CinepakDecoder, ColourConversionTruncatesHalfOfUTowardZero)
{
    struct Case { int y, u, v; std::array<int, 3> rgb; };
    const Case cases[] = {
        {128, 10, -10, {108, 133, 148}},
        {100, -3, 0, {100, 101, 94}},    // -3/2 is -1, not -2
        {250, 20, 20, {255, 220, 255}},  // clamped high
        {5, -100, -100, {0, 155, 0}},    // clamped low
    };
    for (const Case& c : cases) {
        const Bytes book = {static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.y),
                            static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.y),
                            static_cast<uint8_t>(c.u), static_cast<uint8_t>(c.v)};
        const Bytes f = frame(0, 4, 4, {strip(0x10, 4, 4, {chunk(0x20, {}), chunk(0x22, book),
                                                          chunk(0x32, {0})})});
        cinepak::Decoder d(4, 4);
        ASSERT_TRUE(d.decode(f.data(), f.size()));
        EXPECT_EQ(rgb(d, 3, 3), c.rgb) << "Y " << c.y << " U " << c.u << " V " << c.v;
    }
}

TEST(CinepakDecoder, SizesNotMultipleOfFourAreCropped)
{
    // 6x5 picture: blocks cover 8x8; every pixel shows its block's entry.
    const Bytes book = {50, 60, 70, 80, 0, 0, 150, 160, 170, 180, 0, 0};
    const Bytes f = frame(0, 8, 8, {strip(0x10, 8, 8, {chunk(0x20, {}), chunk(0x22, book),
                                                      chunk(0x32, {0, 1, 1, 0})})});
    cinepak::Decoder d(6, 5);
    std::string error;
    ASSERT_TRUE(d.decode(f.data(), f.size(), &error)) << error;
    EXPECT_EQ(d.dibRowSize(), 20u);
    const auto g = greys(d);
    ASSERT_EQ(g.size(), 5u);
    EXPECT_EQ(g[0], (std::vector<int>{50, 50, 60, 60, 150, 150}));
    EXPECT_EQ(g[3], (std::vector<int>{70, 70, 80, 80, 170, 170}));
    EXPECT_EQ(g[4], (std::vector<int>{150, 150, 160, 160, 50, 50}));
}

TEST(CinepakDecoder, DamagedFramesAreRejected)
{
    const Bytes good = frame(0, 8, 4, {strip(0x10, 4, 8, {chunk(0x20, {}), chunk(0x22, {}),
                                                         chunk(0x32, {0, 0})})});
    auto with = [&good](size_t at, const Bytes& bytes) {
        Bytes b = good;
        for (size_t i = 0; i < bytes.size() && at + i < b.size(); ++i)
            b[at + i] = bytes[i];
        return b;
    };
    struct Case { const char* name; Bytes data; };
    const Case cases[] = {
        {"shorter than the header", Bytes(good.begin(), good.begin() + 9)},
        {"length beyond the data", with(1, {0x00, 0x01, 0x00})},
        {"more strips than fit", with(8, {0x00, 0x09})},
        {"strip length below its header", with(11, {0x00, 0x00, 0x08})},
        {"strip wider than the picture", with(20, {0x00, 0x0C})},
        {"strip taller than the picture", with(18, {0x00, 0x08})},
        {"strip of no height", with(18, {0x00, 0x00})},
        {"chunk length below 4", with(23, {0x00, 0x00, 0x02})},
        {"block data cut off", frame(0, 8, 4, {strip(0x10, 4, 8, {chunk(0x20, {}), chunk(0x22, {}),
                                                                 chunk(0x32, {0})})})},
        {"no block data", with(30, {0x40})},
    };
    for (const Case& c : cases) {
        cinepak::Decoder d(8, 4);
        std::string error;
        EXPECT_FALSE(d.decode(c.data.data(), c.data.size(), &error)) << c.name;
        EXPECT_NE(error.find("damaged Cinepak frame"), std::string::npos) << c.name;
    }
}

} // namespace
