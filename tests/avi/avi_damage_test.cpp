// Damaged, truncated and hostile files: clear errors or partial reads, never a crash
// (the sanitizer build checks the "never").
#include "avi/AviFile.h"
#include "read_helpers.h"
#include "media/ByteOrder.h"
#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

namespace {

using testsupport::AviMovie;
using testsupport::Bytes;

AviMovie movie()
{
    std::vector<Bytes> frames;
    for (int n = 0; n < 4; ++n)
        frames.push_back(Bytes(static_cast<size_t>(media::dibRowSize(24, 6)) * 4,
                               static_cast<uint8_t>(n + 1)));
    AviMovie m;
    m.streams.push_back(testsupport::rawVideo(6, 4, 24, frames));
    Bytes sound(400);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(i);
    m.streams.push_back(testsupport::pcmSound(1, 8, 8000, sound, 100));
    return m;
}

size_t strf(const Bytes& b, int stream)
{
    size_t at = 0;
    for (int i = 0; i <= stream; ++i)
        at = testsupport::findChunk(b, "strf", at + 1);
    return at + 8;
}

size_t strh(const Bytes& b, int stream)
{
    size_t at = 0;
    for (int i = 0; i <= stream; ++i)
        at = testsupport::findChunk(b, "strh", at + 1);
    return at + 8;
}

void put32(Bytes& b, size_t at, uint32_t v) { media::writeLE32(b.data() + at, v); }

TEST(AviDamage, BrokenHeadersAreRejectedWithTheirCause)
{
    const Bytes good = testsupport::writeAvi(movie());
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        const char* cause; // part of the message
    };
    const Case cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, "not an AVI file"},
        {"eleven bytes", [](Bytes& b) { b.resize(11); }, "not an AVI file"},
        {"a WAVE file", [](Bytes& b) { std::memcpy(&b[8], "WAVE", 4); }, "'WAVE'"},
        {"no header list",
         [](Bytes& b) { std::memcpy(&b[testsupport::findChunk(b, "hdrl") + 8], "hdrX", 4); },
         "no header list"},
        {"header list past the file",
         [](Bytes& b) { put32(b, testsupport::findChunk(b, "hdrl") + 4, 0x7FFFFFFF); },
         "header list runs past"},
        {"stream header past its list",
         [](Bytes& b) { put32(b, strh(b, 0) - 4, 4000); }, "runs past"},
        {"stream format past its list",
         [](Bytes& b) { put32(b, strf(b, 0) - 4, 0xFFFFFFF0); }, "runs past"},
        {"stream header too short", [](Bytes& b) { put32(b, strh(b, 0) - 4, 20); },
         "too short"},
        {"width 0", [](Bytes& b) { put32(b, strf(b, 0) + 4, 0); }, "frame size 0x4"},
        {"width 8193", [](Bytes& b) { put32(b, strf(b, 0) + 4, 8193); }, "out of range"},
        {"height 0", [](Bytes& b) { put32(b, strf(b, 0) + 8, 0); }, "out of range"},
        {"height -8193", [](Bytes& b) { put32(b, strf(b, 0) + 8, uint32_t(-8193)); },
         "out of range"},
        {"height INT_MIN", [](Bytes& b) { put32(b, strf(b, 0) + 8, 0x80000000u); },
         "out of range"},
        {"video rate 0", [](Bytes& b) { put32(b, strh(b, 0) + 24, 0); }, "rate 0"},
        {"sound scale 0", [](Bytes& b) { put32(b, strh(b, 1) + 20, 0); }, "scale 0"},
        {"frame numbers past 32 bits", [](Bytes& b) { put32(b, strh(b, 0) + 28, 0x7FFFFFFE); },
         "exceeds"},
        {"sound block size 0", [](Bytes& b) { b[strf(b, 1) + 12] = 0; }, "block size is 0"},
        {"video format too short", [](Bytes& b) { put32(b, strf(b, 0) - 4, 30); },
         "too short"},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        c.damage(bytes);
        std::string error;
        EXPECT_FALSE(avi::File::openMemory(bytes, &error)) << c.name;
        EXPECT_NE(error.find(c.cause), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.rfind("(memory): ", 0), 0u) << c.name << ": " << error;
    }
}

TEST(AviDamage, EmptyStreamNameIsAccepted)
{
    AviMovie m = movie();
    m.streams[0].name = "abcdefg"; // 8 bytes with the terminator
    Bytes bytes = testsupport::writeAvi(m);
    const size_t strn = testsupport::findChunk(bytes, "strn");
    put32(bytes, strn + 4, 0);
    std::memcpy(&bytes[strn + 8], "JUNK\0\0\0\0", 8);
    std::string error;
    auto file = avi::File::openMemory(bytes, &error);
    ASSERT_TRUE(file) << error;
    EXPECT_STREQ(file->stream(media::kFourCCVids)->info().szName, "");
}

TEST(AviDamage, AFileThatDoesNotExistNamesItself)
{
    std::string error;
    EXPECT_FALSE(avi::File::open("/nonexistent/dir/movie.avi", &error));
    EXPECT_NE(error.find("/nonexistent/dir/movie.avi"), std::string::npos) << error;
}

TEST(AviDamage, TruncatedFileReadsWhatIsThere)
{
    const AviMovie m = movie();
    const Bytes good = testsupport::writeAvi(m);
    // Cut in the middle of the third frame: frames 0 and 1 and the sound before are there.
    size_t cut = testsupport::findChunk(good, "00db");
    for (int i = 0; i < 2; ++i)
        cut = testsupport::findChunk(good, "00db", cut + 1);
    cut += 20;
    std::string error;
    auto file = avi::File::openMemory(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut)),
                                      &error);
    ASSERT_TRUE(file) << error;
    const avi::Stream& video = *file->stream(media::kFourCCVids);
    EXPECT_EQ(video.length(), 4); // what the header says; the rest is reported missing
    const auto frames = avitest::readFrames(video);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_TRUE(frames[0] && frames[1]);
    EXPECT_FALSE(frames[2] || frames[3]);
    auto access = video.openFrames();
    EXPECT_FALSE(access->getFrame(3));
    EXPECT_NE(access->error().find("missing"), std::string::npos) << access->error();

    const Bytes sound = avitest::readSound(*file->stream(media::kFourCCAuds));
    EXPECT_GE(sound.size(), 200u);
    EXPECT_LT(sound.size(), 400u);
    for (size_t i = 0; i < sound.size(); ++i)
        ASSERT_EQ(sound[i], static_cast<uint8_t>(i));
}

TEST(AviDamage, BrokenIndexFallsBackToTheChunksThemselves)
{
    const Bytes good = testsupport::writeAvi(movie());
    const size_t idx1 = testsupport::findChunk(good, "idx1");
    struct Case { const char* name; size_t at; uint32_t value; };
    const Case cases[] = {
        {"offset past the end", idx1 + 8 + 8, 0x7FFFFF00},
        {"offset onto another chunk", idx1 + 8 + 16 + 8, 4},
        {"size past the end", idx1 + 8 + 12, 0x7FFFFF00},
        {"idx1 past the file", idx1 + 4, 0x7FFFFF00},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        put32(bytes, c.at, c.value);
        auto file = avi::File::openMemory(bytes, nullptr);
        ASSERT_TRUE(file) << c.name;
        const auto frames = avitest::readFrames(*file->stream(media::kFourCCVids));
        ASSERT_EQ(frames.size(), 4u) << c.name;
        for (size_t n = 0; n < 4; ++n)
            EXPECT_TRUE(frames[n] && (*frames[n])[0] == n + 1) << c.name << " frame " << n;
        EXPECT_EQ(avitest::readSound(*file->stream(media::kFourCCAuds)).size(), 400u) << c.name;
    }
}

TEST(AviDamage, DamagedCinepakFrameIsReportedAndTheNextKeyFrameRecovers)
{
    // 4x4 key frames of one V1 block in grey levels 10, 20, 30; frame 1 is damaged.
    auto key = [](uint8_t grey) {
        return Bytes{0x00, 0x00, 0x00, 0x27, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01,
                     0x10, 0x00, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x04,
                     0x20, 0x00, 0x00, 0x04, 0x26, 0x00, 0x00, 0x08, grey, grey, grey, grey,
                     0x32, 0x00, 0x00, 0x05, 0x00};
    };
    Bytes damaged = key(99);
    damaged[13] = 0x05; // strip shorter than its header
    AviMovie m;
    m.streams.push_back(testsupport::cinepakVideo(4, 4, {key(10), damaged, key(30), key(40)},
                                                  {true, false, true, false}));
    auto file = avi::File::openMemory(testsupport::writeAvi(m), nullptr);
    ASSERT_TRUE(file);
    auto frames = file->stream(media::kFourCCVids)->openFrames();
    ASSERT_TRUE(frames);
    ASSERT_TRUE(frames->getFrame(0));
    EXPECT_EQ(frames->getFrame(0)[40], 10);
    EXPECT_FALSE(frames->getFrame(1));
    EXPECT_NE(frames->error().find("frame 1: damaged Cinepak frame"), std::string::npos)
        << frames->error();
    ASSERT_TRUE(frames->getFrame(3));
    EXPECT_EQ(frames->getFrame(3)[40], 40);
    ASSERT_TRUE(frames->getFrame(2));
    EXPECT_EQ(frames->getFrame(2)[40], 30);
}

TEST(AviDamage, SuperIndexThatRepeatsAStandardIndexIsNotUsed)
{
    // Two rounds per RIFF: the video's indx lists two ix## chunks; point both entries at
    // the first. Frames 0 and 1 must not come back as frames 2 and 3.
    AviMovie m = movie();
    m.layout.openDml = true;
    m.layout.idx1 = false;
    Bytes bytes = testsupport::writeAvi(m);
    const size_t indx = testsupport::findChunk(bytes, "indx") + 8;
    ASSERT_EQ(media::readLE32(bytes.data() + indx + 4), 2u);
    std::memcpy(&bytes[indx + 24 + 16], &bytes[indx + 24], 8);
    auto file = avi::File::openMemory(bytes, nullptr);
    ASSERT_TRUE(file);
    const auto frames = avitest::readFrames(*file->stream(media::kFourCCVids));
    ASSERT_EQ(frames.size(), 4u);
    for (size_t n = 0; n < 4; ++n)
        EXPECT_TRUE(frames[n] && (*frames[n])[0] == n + 1) << "frame " << n;
}

// Every single-byte corruption and every truncation of a small file: whatever opens is
// read to the end.
TEST(AviDamage, NoCorruptionOrTruncationCrashes)
{
    AviMovie m = movie();
    m.layout.openDml = true;
    m.layout.recLists = true;
    const Bytes good = testsupport::writeAvi(m);
    auto readAll = [](const Bytes& bytes) {
        auto file = avi::File::openMemory(bytes, nullptr);
        if (!file)
            return;
        for (uint32_t type : {media::kFourCCVids, media::kFourCCAuds}) {
            const avi::Stream* s = file->stream(type);
            if (!s)
                continue;
            avitest::readFrames(*s);
            if (type == media::kFourCCAuds)
                avitest::readSound(*s);
        }
    };
    for (size_t i = 0; i < good.size(); ++i) {
        readAll(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(i)));
        for (const uint8_t v : {0x00, 0xFF, 0x7F}) {
            Bytes bytes = good;
            bytes[i] = v;
            readAll(bytes);
        }
    }
}

} // namespace
