// The AVI reader on files from our test writer: stored formats, file layouts, sound
// addressing, stream lookup.
#include "avi/AviFile.h"
#include "read_helpers.h"
#include "media/ByteOrder.h"
#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using testsupport::AviMovie;
using testsupport::Bytes;

// A byte that differs with position and frame, so flips and mix-ups show.
uint8_t pattern(size_t i, int frame) { return static_cast<uint8_t>(i * 7 + frame * 29 + 3); }

Bytes patternFrame(size_t size, int frame)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = pattern(i, frame);
    return b;
}

Bytes reverseRows(const Bytes& rows, size_t rowSize)
{
    Bytes out;
    for (size_t r = rows.size() / rowSize; r-- > 0;)
        out.insert(out.end(), rows.begin() + static_cast<ptrdiff_t>(r * rowSize),
                   rows.begin() + static_cast<ptrdiff_t>((r + 1) * rowSize));
    return out;
}

struct RawCase {
    const char* name;
    int bits;
    std::vector<uint32_t> masks;
    bool topDown;
};

TEST(AviReader, UncompressedFormatsDeliverTheirRows)
{
    constexpr int kW = 5, kH = 3, kFrames = 3;
    const RawCase cases[] = {
        {"24-bit", 24, {}, false},
        {"24-bit top-down", 24, {}, true},
        {"32-bit", 32, {}, false},
        {"16-bit 5-5-5", 16, {}, false},
        {"16-bit 5-5-5 bit fields", 16, {0x7C00, 0x03E0, 0x001F}, true},
        {"16-bit 5-6-5", 16, {0xF800, 0x07E0, 0x001F}, false},
        {"8-bit palette", 8, {}, false},
        {"4-bit palette", 4, {}, true},
        {"1-bit palette", 1, {}, false},
    };
    for (const RawCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t row = static_cast<size_t>(media::dibRowSize(c.bits, kW));
        Bytes palette;
        if (c.bits <= 8)
            for (int i = 0; i < (1 << c.bits); ++i)
                palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0});
        std::vector<Bytes> stored;
        for (int n = 0; n < kFrames; ++n)
            stored.push_back(patternFrame(row * kH, n));
        AviMovie movie;
        movie.streams.push_back(
            testsupport::rawVideo(kW, c.topDown ? -kH : kH, c.bits, stored, palette, c.masks));
        std::string error;
        auto file = avi::File::openMemory(testsupport::writeAvi(movie), &error);
        ASSERT_TRUE(file) << error;
        const auto frames = avitest::readFrames(*file->stream(media::kFourCCVids));
        ASSERT_EQ(frames.size(), size_t{kFrames});
        for (int n = 0; n < kFrames; ++n) {
            ASSERT_TRUE(frames[n]) << "frame " << n;
            const Bytes bottomUp = c.topDown ? reverseRows(stored[n], row) : stored[n];
            Bytes expected = bottomUp;
            if (c.bits <= 8) { // 24-bit through the palette
                const size_t outRow = static_cast<size_t>(media::dibRowSize(24, kW));
                expected.assign(outRow * kH, 0);
                for (size_t y = 0; y < kH; ++y)
                    for (size_t x = 0; x < kW; ++x) {
                        const size_t bit = x * static_cast<size_t>(c.bits);
                        const int index = (bottomUp[y * row + bit / 8] >> (8 - c.bits - bit % 8)) &
                                          ((1 << c.bits) - 1);
                        std::memcpy(&expected[y * outRow + 3 * x], &palette[4 * index], 3);
                    }
            } else if (!c.masks.empty() && c.masks[0] == 0xF800) {
                for (size_t y = 0; y < kH; ++y)
                    for (size_t x = 0; x < kW; ++x) {
                        uint8_t* p = &expected[y * row + 2 * x];
                        const unsigned v = p[0] | (p[1] << 8);
                        const unsigned r = v >> 11, g = (v >> 5) & 63, b = v & 31;
                        const unsigned out = (r << 10) | ((g >> 1) << 5) | b;
                        p[0] = static_cast<uint8_t>(out);
                        p[1] = static_cast<uint8_t>(out >> 8);
                    }
            }
            // Row padding is not part of the picture.
            const size_t outRow = expected.size() / kH;
            const size_t used = static_cast<size_t>(kW) * (c.bits <= 8 ? 24 : c.bits) / 8;
            for (size_t y = 0; y < kH; ++y)
                for (size_t i = used; i < outRow; ++i)
                    expected[y * outRow + i] = (*frames[n])[y * outRow + i];
            EXPECT_EQ(*frames[n], expected) << "frame " << n;
        }
    }
}

// A movie of 6 frames of 6x4 24-bit video and 8-bit mono sound in odd-sized chunks.
AviMovie smallMovie()
{
    std::vector<Bytes> frames;
    for (int n = 0; n < 6; ++n) {
        frames.push_back(patternFrame(static_cast<size_t>(media::dibRowSize(24, 6)) * 4, n));
        for (size_t row = 0; row < 4; ++row) // frames come back with zero row padding
            frames.back()[row * 20 + 18] = frames.back()[row * 20 + 19] = 0;
    }
    AviMovie movie;
    movie.streams.push_back(testsupport::rawVideo(6, 4, 24, frames));
    movie.streams.push_back(testsupport::pcmSound(1, 8, 11025, patternFrame(1001, 9), 201));
    movie.layout.junk = true;
    return movie;
}

struct LayoutCase {
    const char* name;
    void (*apply)(testsupport::AviLayout&);
    bool indexed; // chunks can be found without walking 'movi'
};

const LayoutCase kLayouts[] = {
    {"idx1 relative to movi", [](testsupport::AviLayout&) {}, true},
    {"idx1 from the file start", [](testsupport::AviLayout& l) { l.absoluteIdx1 = true; }, true},
    {"no index, rec lists", [](testsupport::AviLayout& l) { l.idx1 = false; l.recLists = true; },
     false},
    {"OpenDML with AVIX", [](testsupport::AviLayout& l) { l.openDml = true; }, true},
    {"OpenDML, rec lists, no idx1",
     [](testsupport::AviLayout& l) { l.openDml = true; l.recLists = true; l.idx1 = false; }, true},
};

TEST(AviReader, EveryLayoutGivesTheSameFramesAndSound)
{
    const AviMovie reference = smallMovie();
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.name);
        AviMovie movie = reference;
        c.apply(movie.layout);
        Bytes bytes = testsupport::writeAvi(movie);
        for (const bool walkBroken : {false, true}) {
            if (walkBroken) {
                // A JUNK chunk inside movi claiming the rest of the world: the walk ends
                // there, an index still finds every chunk.
                const size_t junk = testsupport::findChunk(
                    bytes, "JUNK", testsupport::findChunk(bytes, "movi"));
                ASSERT_NE(junk, SIZE_MAX);
                media::writeLE32(bytes.data() + junk + 4, 0x7FFFFFF0);
            }
            std::string error;
            auto file = avi::File::openMemory(bytes, &error);
            ASSERT_TRUE(file) << error;
            const avi::Stream* video = file->stream(media::kFourCCVids);
            const avi::Stream* sound = file->stream(media::kFourCCAuds);
            ASSERT_TRUE(video && sound);
            EXPECT_EQ(video->length(), 6);
            EXPECT_EQ(sound->length(), 1001);
            const auto frames = avitest::readFrames(*video);
            ASSERT_EQ(frames.size(), 6u);
            const size_t readable = (walkBroken && !c.indexed) ? 1 : 6;
            for (size_t n = 0; n < frames.size(); ++n) {
                EXPECT_EQ(frames[n].has_value(), n < readable) << "frame " << n;
                if (frames[n] && n < readable) {
                    EXPECT_EQ(*frames[n], reference.streams[0].chunks[n]) << "frame " << n;
                }
            }
            if (!walkBroken || c.indexed) {
                EXPECT_EQ(avitest::readSound(*sound), patternFrame(1001, 9));
            }
        }
    }
}

TEST(AviReader, FilesPastFourGibibytesUseSixtyFourBitOffsets)
{
    testsupport::TempDir dir;
    AviMovie movie = smallMovie();
    movie.layout.openDml = true;
    movie.layout.avixLeadingJunk = 0xB0000000; // 2.75 GiB per AVIX: frame 4 lies past 5 GiB
    const auto path = dir.file("big.avi");
    testsupport::writeAviFile(path, movie);
    ASSERT_GT(std::filesystem::file_size(path), 5ull << 30);
    std::string error;
    auto file = avi::File::open(path.string(), &error);
    ASSERT_TRUE(file) << error;
    const auto frames = avitest::readFrames(*file->stream(media::kFourCCVids));
    ASSERT_EQ(frames.size(), 6u);
    for (size_t n = 0; n < 6; ++n) {
        ASSERT_TRUE(frames[n]) << "frame " << n;
        EXPECT_EQ(*frames[n], movie.streams[0].chunks[n]) << "frame " << n;
    }
    EXPECT_EQ(avitest::readSound(*file->stream(media::kFourCCAuds)), patternFrame(1001, 9));
}

TEST(AviReader, SoundIsAddressedInBlocksFromItsStart)
{
    const Bytes samples = patternFrame(4 * 300, 1); // 16-bit stereo: 4-byte blocks
    AviMovie movie;
    movie.streams.push_back(testsupport::pcmSound(2, 16, 22050, samples, 70));
    movie.streams[0].start = 100;
    std::string error;
    auto file = avi::File::openMemory(testsupport::writeAvi(movie), &error);
    ASSERT_TRUE(file) << error;
    const avi::Stream& sound = *file->stream(media::kFourCCAuds);
    EXPECT_EQ(sound.start(), 100);
    EXPECT_EQ(sound.length(), 300);

    struct Case { int32_t first, count; size_t buffer; bool ok; size_t from, bytes; };
    const Case cases[] = {
        {100, 300, 1200, true, 0, 1200},  // all of it
        {110, 5, 1200, true, 40, 20},     // from inside, across no boundary
        {165, 10, 1200, true, 260, 40},   // across the chunk boundary at sample 70
        {398, 10, 1200, true, 1192, 8},   // only what is stored
        {400, 10, 1200, true, 0, 0},      // past the end: nothing, no error
        {100, 10, 7, true, 0, 4},         // only whole blocks that fit
        {99, 1, 1200, false, 0, 0},       // before the start
        {100, -1, 1200, false, 0, 0},
    };
    for (const Case& c : cases) {
        Bytes buffer(c.buffer, 0xEE);
        int32_t got = -1;
        EXPECT_EQ(sound.read(c.first, c.count, buffer.data(), buffer.size(), &got), c.ok)
            << c.first << "+" << c.count;
        EXPECT_EQ(got, static_cast<int32_t>(c.bytes)) << c.first << "+" << c.count;
        if (c.ok)
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(c.bytes),
                                   samples.begin() + static_cast<ptrdiff_t>(c.from)));
        else
            EXPECT_NE(sound.error().find("sample"), std::string::npos) << sound.error();
    }
}

TEST(AviReader, SoundLengthFollowsTheBlocksWhateverTheSampleSize)
{
    for (const uint32_t sampleSize : {0u, 1u, 4u}) {
        AviMovie movie;
        movie.streams.push_back(testsupport::pcmSound(2, 16, 22050, patternFrame(4 * 50, 1), 20));
        movie.streams[0].sampleSize = sampleSize;
        // What such writers put in dwLength: chunks for 0, bytes for 1, blocks for 4.
        movie.streams[0].length = sampleSize == 0 ? 3 : sampleSize == 1 ? 200 : 50;
        auto file = avi::File::openMemory(testsupport::writeAvi(movie), nullptr);
        ASSERT_TRUE(file);
        const avi::Stream& sound = *file->stream(media::kFourCCAuds);
        EXPECT_EQ(sound.length(), 50) << "dwSampleSize " << sampleSize;
        EXPECT_EQ(sound.info().dwSampleSize, 4u);
        EXPECT_EQ(avitest::readSound(sound), patternFrame(4 * 50, 1));
    }
}

TEST(AviReader, StreamsAreFoundByTypeAndDescribeThemselves)
{
    AviMovie movie;
    movie.streams.push_back(testsupport::pcmSound(1, 8, 8000, Bytes(10, 1), 5));
    movie.streams.push_back(testsupport::rawVideo(4, 2, 24, {Bytes(24, 1)}));
    movie.streams.push_back(testsupport::rawVideo(8, 2, 24, {Bytes(48, 2)}));
    movie.streams.back().name = "second";
    movie.streams.back().rate = 30000;
    movie.streams.back().scale = 1001;
    movie.streams.back().start = 5;
    movie.streams.push_back(testsupport::pcmSound(2, 16, 44100, Bytes(40, 3), 5));
    auto file = avi::File::openMemory(testsupport::writeAvi(movie), nullptr);
    ASSERT_TRUE(file);
    const avi::Stream* second = file->stream(media::kFourCCVids, 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(file->stream(media::kFourCCVids, 0)->videoFormat().biWidth, 4);
    EXPECT_EQ(second->videoFormat().biWidth, 8);
    EXPECT_EQ(second->info().dwRate, 30000u);
    EXPECT_EQ(second->info().dwScale, 1001u);
    EXPECT_EQ(second->start(), 5);
    EXPECT_EQ(second->length(), 1);
    EXPECT_STREQ(second->info().szName, "second");
    EXPECT_EQ(file->stream(media::kFourCCAuds, 1)->soundFormat().nChannels, 2);
    EXPECT_EQ(file->stream(media::kFourCCVids, 2), nullptr);

    uint8_t format[44];
    std::memset(format, 0xEE, sizeof format);
    EXPECT_EQ(second->readFormat(format, 40), 40u);
    EXPECT_EQ(format[40], 0xEE);
    EXPECT_EQ(media::readLE32(format + 4), 8u);
    auto frames = second->openFrames();
    ASSERT_TRUE(frames);
    EXPECT_TRUE(frames->getFrame(5));
    EXPECT_FALSE(frames->getFrame(4));
    EXPECT_FALSE(frames->getFrame(6));
    EXPECT_NE(frames->error().find("frame 6"), std::string::npos) << frames->error();
}

TEST(AviReader, OtherCompressionCannotBeDecoded)
{
    AviMovie movie;
    movie.streams.push_back(testsupport::cinepakVideo(8, 8, {Bytes(10, 0)}));
    media::writeLE32(movie.streams[0].format.data() + 16, media::makeFourCC('M', 'J', 'P', 'G'));
    movie.streams.push_back(testsupport::pcmSound(1, 8, 8000, Bytes(10, 1), 5));
    auto file = avi::File::openMemory(testsupport::writeAvi(movie), nullptr);
    ASSERT_TRUE(file);
    std::string why;
    EXPECT_FALSE(file->stream(media::kFourCCVids)->openFrames(&why));
    EXPECT_NE(why.find("'MJPG'"), std::string::npos) << why;
    EXPECT_FALSE(file->stream(media::kFourCCAuds)->openFrames(&why));
}

} // namespace
