#include "film/FilmRecords.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

TEST(FilmRecords, SwapsReverseBytesInPlace)
{
    uint32_t word = 0;
    const std::array<uint8_t, 4> in{0x01, 0x02, 0x03, 0x04};
    std::memcpy(&word, in.data(), 4);
    SwapLong(&word);
    std::array<uint8_t, 4> out{};
    std::memcpy(out.data(), &word, 4);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0x04, 0x03, 0x02, 0x01}));

    uint16_t half = 0;
    std::memcpy(&half, in.data(), 2);
    SwapShort(&half);
    std::memcpy(out.data(), &half, 2);
    EXPECT_EQ(out[0], 0x02);
    EXPECT_EQ(out[1], 0x01);
}

TEST(FilmRecords, StoreBigEndianAndKeepCharacterFields)
{
    const FdscChunk fdsc{{'F', 'D', 'S', 'C'}, 32, {'c', 'v', 'i', 'd'}, 224, 320, 24, 2, 16, 0,
                         44100u << 16, 0};
    std::array<uint8_t, kFdscChunkSize> bytes{};
    StoreFdscChunk(fdsc, bytes.data());
    const std::array<uint8_t, kFdscChunkSize> expected{
        'F', 'D', 'S', 'C', 0, 0, 0, 32, 'c', 'v', 'i', 'd', 0, 0, 0, 224, 0, 0, 1, 64,
        24, 2, 16, 0, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);

    const SampleEntry entry{0x01020304, 5512, kSoundChunkTimestamp, kSoundChunkDuration};
    std::array<uint8_t, kSampleEntrySize> stored{};
    StoreSampleEntry(entry, stored.data());
    EXPECT_EQ(stored[0], 0x01);
    EXPECT_EQ(stored[3], 0x04);
    const SampleEntry back = LoadSampleEntry(stored.data());
    EXPECT_EQ(std::memcmp(&back, &entry, sizeof entry), 0);
}

} // namespace
