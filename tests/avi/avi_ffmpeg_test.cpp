// AVI files written by ffmpeg: our frames and sound equal ffmpeg's own decode.
#include "avi/AviFile.h"
#include "media/ByteOrder.h"
#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::runFfmpeg;

constexpr int kWidth = 38; // not a multiple of 4: rows are padded
constexpr int kHeight = 22;
constexpr int kFrames = 5;

struct VideoCase {
    const char* name;
    std::vector<std::string> encode; // codec arguments for writing the AVI
    const char* decodedAs;           // ffmpeg pixel format equal to what we deliver
    int outputBits;
    bool swapRedBlue;                // ffmpeg's format is R,G,B where we deliver B,G,R
    int width = kWidth;
    int height = kHeight;
};

void PrintTo(const VideoCase& c, std::ostream* os) { *os << c.name; }

// Compares each delivered frame (bottom-up DIB rows) with ffmpeg's top-down frames.
void expectFramesEqual(const avi::Stream& video, const std::vector<uint8_t>& expected,
                       const VideoCase& c)
{
    std::string why;
    auto frames = video.openFrames(&why);
    ASSERT_TRUE(frames) << why;
    const size_t pixel = static_cast<size_t>(c.outputBits / 8);
    const size_t packed = pixel * static_cast<size_t>(c.width);
    const size_t row = static_cast<size_t>(media::dibRowSize(c.outputBits, c.width));
    ASSERT_EQ(expected.size(), packed * c.height * kFrames) << c.name;
    for (int n = 0; n < video.length(); ++n) {
        const uint8_t* frame = frames->getFrame(video.start() + n);
        ASSERT_TRUE(frame) << c.name << ": " << frames->error();
        media::BitmapInfoHeader h;
        std::memcpy(&h, frame, sizeof h);
        ASSERT_EQ(h.biWidth, c.width);
        ASSERT_EQ(h.biHeight, c.height);
        ASSERT_EQ(h.biBitCount, c.outputBits);
        ASSERT_EQ(h.biSizeImage, row * c.height);
        int mismatches = 0;
        for (int y = 0; y < c.height; ++y) {
            const uint8_t* got = frame + 40 + row * static_cast<size_t>(c.height - 1 - y);
            const uint8_t* want = expected.data() + packed * (static_cast<size_t>(n) * c.height + y);
            for (size_t x = 0; x < static_cast<size_t>(c.width); ++x) {
                for (size_t b = 0; b < pixel; ++b) {
                    const size_t from = c.swapRedBlue && b < 3 ? 2 - b : b;
                    mismatches += got[x * pixel + b] != want[x * pixel + from];
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << c.name << " frame " << n;
    }
}

class FfmpegVideo : public testing::TestWithParam<VideoCase> {};

TEST_P(FfmpegVideo, FramesEqualFfmpegDecode)
{
    const VideoCase& c = GetParam();
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    testsupport::TempDir dir;
    const std::string avi = dir.file("in.avi").string();
    const std::string raw = dir.file("frames.raw").string();
    std::vector<std::string> encode = {
        "-f", "lavfi", "-i",
        "testsrc2=size=" + std::to_string(c.width) + "x" + std::to_string(c.height) + ":rate=10",
        "-frames:v", std::to_string(kFrames)};
    encode.insert(encode.end(), c.encode.begin(), c.encode.end());
    encode.push_back(avi);
    std::string log;
    ASSERT_TRUE(runFfmpeg(encode, &log)) << log;
    ASSERT_TRUE(runFfmpeg({"-i", avi, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                           c.decodedAs, raw}, &log)) << log;

    std::string error;
    auto file = avi::File::open(avi, &error);
    ASSERT_TRUE(file) << error;
    const avi::Stream* video = file->stream(media::kFourCCVids);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->length(), kFrames);
    EXPECT_EQ(video->info().dwRate * 1u, 10u * video->info().dwScale);
    expectFramesEqual(*video, testsupport::readFileBytes(raw), c);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FfmpegVideo,
    testing::Values(
        VideoCase{"bgr24", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, "bgr24", 24, false},
        VideoCase{"rgb555le", {"-c:v", "rawvideo", "-pix_fmt", "rgb555le"}, "rgb555le", 16, false},
        VideoCase{"bgra", {"-c:v", "rawvideo", "-pix_fmt", "bgra"}, "bgra", 32, false},
        VideoCase{"pal8", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, "bgr24", 24, false},
        VideoCase{"cinepak", {"-c:v", "cinepak", "-max_strips", "3", "-g", "3"}, "rgb24", 24,
                  true, 40, 24}),
    [](const testing::TestParamInfo<VideoCase>& p) { return std::string(p.param.name); });

// Cinepak frames from ffmpeg in a file of ours whose picture is smaller than the coded
// 64x48 (62x46: not a multiple of 4); frames asked for out of order equal ffmpeg's
// sequential decode.
TEST(FfmpegCinepak, OddSizeAndRandomAccessMatchFfmpeg)
{
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    testsupport::TempDir dir;
    const std::string coded = dir.file("coded.avi").string();
    const std::string stream = dir.file("coded.cvid").string();
    const std::string ours = dir.file("ours.avi").string();
    const std::string raw = dir.file("frames.raw").string();
    constexpr int kCount = 10, kW = 62, kH = 46;
    std::string log;
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10", "-frames:v",
                           std::to_string(kCount), "-c:v", "cinepak", "-g", "4", coded}, &log))
        << log;
    ASSERT_TRUE(runFfmpeg({"-i", coded, "-c:v", "copy", "-f", "rawvideo", stream}, &log)) << log;
    const auto bytes = testsupport::readFileBytes(stream);
    std::vector<testsupport::Bytes> frames;
    std::vector<bool> keys;
    for (size_t pos = 0; pos + 10 <= bytes.size();) {
        const size_t length = media::readBE24(&bytes[pos + 1]);
        ASSERT_GE(length, 10u);
        frames.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(pos),
                            bytes.begin() + static_cast<ptrdiff_t>(pos + length));
        keys.push_back(bytes[pos + 10] == 0x10); // first strip intra: ffmpeg's key frames
        pos += length;
    }
    ASSERT_EQ(frames.size(), size_t{kCount});
    testsupport::AviMovie movie;
    movie.streams.push_back(testsupport::cinepakVideo(kW, kH, frames, keys));
    testsupport::writeAviFile(ours, movie);
    ASSERT_TRUE(runFfmpeg({"-i", ours, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                           "rgb24", raw}, &log)) << log;
    const auto expected = testsupport::readFileBytes(raw);
    ASSERT_EQ(expected.size(), size_t{kW} * kH * 3 * kCount);

    std::string error;
    auto file = avi::File::open(ours, &error);
    ASSERT_TRUE(file) << error;
    auto access = file->stream(media::kFourCCVids)->openFrames();
    ASSERT_TRUE(access);
    const size_t row = static_cast<size_t>(media::dibRowSize(24, kW));
    for (const int n : {0, 1, 2, 7, 3, 9, 5, 6, 4, 8, 8, 0}) {
        const uint8_t* frame = access->getFrame(n);
        ASSERT_TRUE(frame) << access->error();
        int mismatches = 0;
        for (int y = 0; y < kH; ++y) {
            const uint8_t* got = frame + 40 + row * static_cast<size_t>(kH - 1 - y);
            const uint8_t* want = &expected[(static_cast<size_t>(n) * kH + y) * kW * 3];
            for (int x = 0; x < kW * 3; x += 3)
                mismatches += got[x] != want[x + 2] || got[x + 1] != want[x + 1] ||
                              got[x + 2] != want[x];
        }
        EXPECT_EQ(mismatches, 0) << "frame " << n;
    }
}

struct SoundCase {
    const char* codec;
    int channels;
    int bytesPerSample;
};

void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.codec << " x" << c.channels; }

class FfmpegSound : public testing::TestWithParam<SoundCase> {};

TEST_P(FfmpegSound, SamplesEqualTheStream)
{
    const SoundCase& c = GetParam();
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    testsupport::TempDir dir;
    const std::string avi = dir.file("in.avi").string();
    const std::string raw = dir.file("sound.raw").string();
    const std::string format = c.bytesPerSample == 1 ? "u8" : "s16le";
    std::string log;
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=16x16:rate=10", "-f", "lavfi", "-i",
                           "sine=frequency=440:sample_rate=11025", "-t", "0.55", "-c:v",
                           "rawvideo", "-pix_fmt", "bgr24", "-c:a", c.codec, "-ac",
                           std::to_string(c.channels), avi}, &log)) << log;
    ASSERT_TRUE(runFfmpeg({"-i", avi, "-map", "0:a", "-f", format, "-c:a", "pcm_" + format, raw},
                          &log)) << log;
    const auto expected = testsupport::readFileBytes(raw);

    std::string error;
    auto file = avi::File::open(avi, &error);
    ASSERT_TRUE(file) << error;
    const avi::Stream* sound = file->stream(media::kFourCCAuds);
    ASSERT_TRUE(sound);
    const media::WaveFormatEx wf = sound->soundFormat();
    EXPECT_EQ(wf.nChannels, c.channels);
    EXPECT_EQ(wf.nSamplesPerSec, 11025u);
    ASSERT_EQ(wf.nBlockAlign, c.channels * c.bytesPerSample);
    EXPECT_EQ(static_cast<size_t>(sound->length()) * wf.nBlockAlign, expected.size());

    std::vector<uint8_t> got(expected.size() + 64, 0xEE);
    int32_t bytes = -1;
    ASSERT_TRUE(sound->read(sound->start(), sound->length() + 10, got.data(), got.size(), &bytes))
        << sound->error();
    ASSERT_EQ(static_cast<size_t>(bytes), expected.size());
    got.resize(expected.size());
    EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, FfmpegSound,
                         testing::Values(SoundCase{"pcm_u8", 1, 1}, SoundCase{"pcm_u8", 2, 1},
                                         SoundCase{"pcm_s16le", 1, 2},
                                         SoundCase{"pcm_s16le", 2, 2}),
                         [](const testing::TestParamInfo<SoundCase>& p) {
                             return std::string(p.param.codec) + "_" +
                                    std::to_string(p.param.channels) + "ch";
                         });

} // namespace
