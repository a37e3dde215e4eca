#include "film/Repack.h"

#include "HexText.h"
#include "media/ByteOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using filmtest::Hex;

struct Chunk {
    uint8_t id;
    uint32_t size; // including the 4-byte header
};

struct Strip {
    uint8_t id;
    Chunk chunks[3];
    int64_t sizeField = -1; // -1: the true size
};

uint8_t PayloadByte(size_t i) { return static_cast<uint8_t>(i * 7 + 1) | 1; } // never zero

// A frame as the compressor writes it; payload bytes are non-zero so that padding shows.
std::vector<uint8_t> MakeFrame(const std::vector<Strip>& strips, uint8_t flags = 0,
                               uint32_t lengthField = 0)
{
    std::vector<uint8_t> f(10);
    media::writeBE32(f.data(), (uint32_t{flags} << 24) | lengthField);
    media::writeBE16(f.data() + 4, 320);
    media::writeBE16(f.data() + 6, 224);
    media::writeBE16(f.data() + 8, static_cast<uint16_t>(strips.size()));
    for (const Strip& s : strips) {
        const size_t head = f.size();
        f.resize(head + 12);
        for (size_t i = 4; i < 12; ++i) {
            f[head + i] = static_cast<uint8_t>(0xA0 + i);
        }
        for (const Chunk& c : s.chunks) {
            const size_t at = f.size();
            f.resize(at + c.size);
            media::writeBE32(f.data() + at, (uint32_t{c.id} << 24) | c.size);
            for (size_t i = 4; i < c.size; ++i) {
                f[at + i] = PayloadByte(at + i);
            }
        }
        const uint32_t size = s.sizeField >= 0 ? static_cast<uint32_t>(s.sizeField)
                                               : static_cast<uint32_t>(f.size() - head);
        media::writeBE32(f.data() + head, (uint32_t{s.id} << 24) | size);
    }
    return f;
}

// The expected Saturn form, built from the description rather than from the input bytes.
std::vector<uint8_t> Expected(const std::vector<Strip>& strips)
{
    const std::vector<uint8_t> in = MakeFrame(strips);
    std::vector<uint8_t> out(12, 0);
    std::copy(in.begin() + 4, in.begin() + 10, out.begin() + 4);
    size_t r = 10;
    for (const Strip& s : strips) {
        const size_t head = out.size();
        out.insert(out.end(), in.begin() + static_cast<long>(r), in.begin() + static_cast<long>(r) + 12);
        r += 12;
        uint32_t padding = 0;
        for (const Chunk& c : s.chunks) {
            const uint32_t padded = (c.size + 3) / 4 * 4;
            const size_t at = out.size();
            out.insert(out.end(), in.begin() + static_cast<long>(r), in.begin() + static_cast<long>(r + c.size));
            out.resize(at + padded, 0);
            media::writeBE24(out.data() + at + 1, padded);
            padding += padded - c.size;
            r += c.size;
        }
        media::writeBE24(out.data() + head + 1, media::readBE24(out.data() + head + 1) + padding);
    }
    media::writeBE32(out.data(), static_cast<uint32_t>(out.size() - 8));
    return out;
}

std::vector<uint8_t> Repack(const std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> buffer(2 * frame.size());
    const uint32_t length = RepackFrame(frame.data(), static_cast<uint32_t>(frame.size()),
                                        buffer.data(), buffer.size());
    EXPECT_EQ(RepackedLength(frame.data(), static_cast<uint32_t>(frame.size())), length);
    EXPECT_LE(length, buffer.size());
    buffer.resize(length);
    return buffer;
}

TEST(RepackFrame, WorkedExample)
{
    const std::vector<uint8_t> in = MakeFrame({{0x10, {{0x20, 1030}, {0x22, 405}, {0x30, 2001}}}}, 0, 3458);
    ASSERT_EQ(in.size(), 3458u);
    const std::vector<uint8_t> out = Repack(in);
    ASSERT_EQ(out.size(), 3468u);
    EXPECT_EQ(Hex(out, 0, 16), "00 00 0D 84 01 40 00 E0 00 01 00 00 10 00 0D 80");
    EXPECT_EQ(Hex(out, 16, 8), Hex(in, 14, 8));
    EXPECT_EQ(Hex(out, 24, 4), "20 00 04 08");
    EXPECT_EQ(Hex(in, 10, 4), "10 00 0D 78");
    // Chunk 0x22 follows the 1032-byte chunk 0x20, chunk 0x30 the 408-byte chunk 0x22.
    EXPECT_EQ(Hex(out, 24 + 1032, 4), "22 00 01 98");
    EXPECT_EQ(Hex(out, 24 + 1032 + 408, 4), "30 00 07 D4");
    EXPECT_TRUE(std::equal(in.begin() + 26, in.begin() + 26 + 1026, out.begin() + 28));
    EXPECT_EQ(Hex(out, 28 + 1026, 2), "00 00");
    EXPECT_EQ(Hex(out, 24 + 1032 + 405, 3), "00 00 00");
    EXPECT_EQ(Hex(out, 3468 - 3, 3), "00 00 00");
    EXPECT_EQ(out, Expected({{0x10, {{0x20, 1030}, {0x22, 405}, {0x30, 2001}}}}));
}

TEST(RepackFrame, EdgeCases)
{
    struct Case {
        const char* name;
        std::vector<Strip> strips;
    };
    std::vector<Strip> many(300, Strip{0x11, {{0x21, 9}, {0x23, 4}, {0x31, 30}}});
    const std::vector<Case> cases = {
        {"no strips", {}},
        {"aligned chunks", {{0x10, {{0x20, 28}, {0x22, 12}, {0x30, 100}}}, {0x11, {{0x21, 4}, {0x23, 8}, {0x31, 16}}}}},
        {"bare and short chunks", {{0x10, {{0x20, 4}, {0x22, 5}, {0x30, 6}}}, {0x10, {{0x20, 7}, {0x22, 4}, {0x32, 4}}}}},
        {"300 strips", many},
        {"ids of any value", {{0xFF, {{0x00, 5}, {0x7E, 9}, {0xFF, 13}}}, {0x00, {{0x99, 4}, {0x01, 6}, {0x30, 7}}}}},
        {"24-bit chunk size", {{0x10, {{0x20, 70001}, {0x22, 4}, {0x30, 8}}}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Repack(MakeFrame(c.strips)), Expected(c.strips)) << c.name;
    }

    const std::vector<uint8_t> empty = Repack(MakeFrame({}));
    EXPECT_EQ(Hex(empty, 0, 16), "00 00 00 04 01 40 00 E0 00 00 00 00");

    // Aligned: only the first word and the two inserted bytes differ.
    const std::vector<uint8_t> in = MakeFrame(cases[1].strips);
    const std::vector<uint8_t> out = Repack(in);
    ASSERT_EQ(out.size(), in.size() + 2);
    EXPECT_TRUE(std::equal(in.begin() + 10, in.end(), out.begin() + 12));

    const std::vector<uint8_t> manyOut = Repack(MakeFrame(many));
    EXPECT_EQ(Hex(manyOut, 8, 2), "01 2C");
    EXPECT_EQ(manyOut.size(), 10 + 300 * (12 + 12 + 4 + 32) + 2u);

    const std::vector<uint8_t> big = Repack(MakeFrame(cases[5].strips));
    EXPECT_EQ(Hex(big, 24, 4), "20 01 11 74");
    EXPECT_EQ(media::readBE24(big.data() + 13), 12 + 70004 + 4 + 8u);
}

TEST(RepackFrame, IgnoresFlagsFrameLengthAndStripSizeField)
{
    const std::vector<Strip> strips = {{0x10, {{0x20, 9}, {0x22, 10}, {0x30, 11}}, 291}};
    const std::vector<uint8_t> reference = Repack(MakeFrame(strips));
    EXPECT_EQ(media::readBE24(reference.data() + 13), 297u);
    for (const uint32_t lengthField : {0u, 1u, 42u, 0xFFFFFFu}) {
        for (const uint8_t flags : {uint8_t{0}, uint8_t{1}, uint8_t{0xFF}}) {
            const std::vector<uint8_t> out = Repack(MakeFrame(strips, flags, lengthField));
            EXPECT_EQ(out, reference) << int{flags} << " " << lengthField;
            EXPECT_EQ(out[0], 0);
        }
    }
}

TEST(RepackFrame, RejectsMalformedFramesWithoutTouchingTheBuffer)
{
    const std::vector<Strip> one = {{0x10, {{0x20, 9}, {0x22, 10}, {0x30, 11}}}};
    const std::vector<uint8_t> good = MakeFrame(one);

    auto withWord = [&](size_t at, uint32_t word) {
        std::vector<uint8_t> f = good;
        media::writeBE32(f.data() + at, word);
        return f;
    };
    auto truncated = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)); };
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    std::vector<uint8_t> strips300 = good;
    strips300[9] = 44; // 300 strips announced, one present

    struct Case {
        const char* name;
        std::vector<uint8_t> frame;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"header only partly there", truncated(9)},
        {"strip header cut", truncated(20)},
        {"chunk header cut", truncated(24)},
        {"chunk payload cut", truncated(good.size() - 1)},
        {"chunk size 0", withWord(22, 0x20000000)},
        {"chunk size 3", withWord(22, 0x20000003)},
        {"chunk runs past n", withWord(22, 0x20000100)},
        {"chunk size far beyond n", withWord(22, 0x20FFFFFF)},
        {"bytes after the last strip", trailing},
        {"more strips announced than present", strips300},
        {"strip size overflows with padding", withWord(10, 0x10FFFFFE)},
    };
    for (const Case& c : cases) {
        // Exactly sized heap copies, so the sanitizer build catches any read past n.
        std::vector<uint8_t> buffer(2 * c.frame.size() + 64, 0xAA);
        const uint32_t n = static_cast<uint32_t>(c.frame.size());
        EXPECT_THROW(RepackFrame(c.frame.data(), n, buffer.data(), buffer.size()), FilmFormatError) << c.name;
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xAA; })) << c.name;
    }
    EXPECT_THROW(RepackFrame(nullptr, 10, nullptr, 0), FilmFormatError);

    std::vector<uint8_t> small(good.size() + 7, 0xAA); // L = n + 6 + 2
    EXPECT_THROW(RepackFrame(good.data(), static_cast<uint32_t>(good.size()), small.data(), small.size()),
                 FilmFormatError);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAA; }));
    small.push_back(0xAA);
    EXPECT_EQ(RepackFrame(good.data(), static_cast<uint32_t>(good.size()), small.data(), small.size()),
              good.size() + 8);
}

TEST(RepackFrame, RejectsAChunkWhosePaddedSizeLeaves24Bits)
{
    // 2^24 - 3 bytes: a real chunk of that size, so only the 24-bit limit can reject it.
    const std::vector<Strip> strips = {{0x10, {{0x20, 4}, {0x22, 4}, {0x30, 0xFFFFFD}}, 0}};
    const std::vector<uint8_t> frame = MakeFrame(strips);
    std::vector<uint8_t> buffer(64);
    try {
        RepackFrame(frame.data(), static_cast<uint32_t>(frame.size()), buffer.data(), buffer.size());
        FAIL() << "no exception";
    } catch (const FilmFormatError& e) {
        EXPECT_NE(std::string(e.what()).find("24 bits"), std::string::npos) << e.what();
    }
}

} // namespace
