#include "media/ByteOrder.h"
#include "media/MediaTypes.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(ByteOrder, ReadsAndWritesBothOrders)
{
    const std::array<uint8_t, 8> bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88};
    EXPECT_EQ(media::readLE16(bytes.data()), 0x0201);
    EXPECT_EQ(media::readLE32(bytes.data()), 0x04030201u);
    EXPECT_EQ(media::readLE64(bytes.data()), 0x8807060504030201ull);
    EXPECT_EQ(media::readBE16(bytes.data()), 0x0102);
    EXPECT_EQ(media::readBE24(bytes.data() + 5), 0x060788u);
    EXPECT_EQ(media::readBE32(bytes.data() + 4), 0x05060788u);

    std::array<uint8_t, 4> out{};
    media::writeBE32(out.data(), 0x00000D84);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0x00, 0x00, 0x0D, 0x84}));
    media::writeLE32(out.data(), 0x11223344);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0x44, 0x33, 0x22, 0x11}));
    media::writeBE24(out.data() + 1, 0x011174);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0x44, 0x01, 0x11, 0x74}));
}

TEST(MediaTypes, DibRowSizePadsToFourBytes)
{
    struct Case { int64_t bits, width, row; };
    for (const Case c : {Case{24, 320, 960}, Case{24, 1, 4}, Case{24, 3, 12}, Case{16, 3, 8},
                         Case{32, 5, 20}, Case{8, 5, 8}, Case{4, 3, 4}, Case{24, 8192, 24576}}) {
        EXPECT_EQ(media::dibRowSize(c.bits, c.width), c.row) << c.bits << "x" << c.width;
    }
    EXPECT_EQ(media::makeFourCC('c', 'v', 'i', 'd'), 0x64697663u);
}

} // namespace
