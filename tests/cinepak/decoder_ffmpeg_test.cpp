// Our decoder against ffmpeg's on clips that ffmpeg's Cinepak encoder wrote.
#include "cinepak/Decoder.h"
#include "media/ByteOrder.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::runFfmpeg;

struct Clip {
    const char* name;
    const char* source; // lavfi source
    int width, height, frames;
    std::vector<std::string> encoderArgs;
};

void expectSameAsFfmpeg(const Clip& clip)
{
    testsupport::TempDir dir;
    const std::string avi = dir.file("clip.avi").string();
    const std::string stream = dir.file("clip.cvid").string();
    const std::string decoded = dir.file("clip.rgb").string();
    std::string log;
    std::vector<std::string> encode = {"-f", "lavfi", "-i", clip.source, "-frames:v",
                                       std::to_string(clip.frames), "-c:v", "cinepak"};
    encode.insert(encode.end(), clip.encoderArgs.begin(), clip.encoderArgs.end());
    encode.push_back(avi);
    ASSERT_TRUE(runFfmpeg(encode, &log)) << log;
    // The frames back to back: each starts with its own length.
    ASSERT_TRUE(runFfmpeg({"-i", avi, "-c:v", "copy", "-f", "rawvideo", stream}, &log)) << log;
    ASSERT_TRUE(runFfmpeg({"-i", avi, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                           "rgb24", decoded}, &log)) << log;
    const auto frames = testsupport::readFileBytes(stream);
    const auto expected = testsupport::readFileBytes(decoded);
    const size_t frameBytes = static_cast<size_t>(clip.width) * clip.height * 3;
    ASSERT_EQ(expected.size(), frameBytes * static_cast<size_t>(clip.frames));

    cinepak::Decoder decoder(clip.width, clip.height);
    size_t pos = 0;
    for (int n = 0; n < clip.frames; ++n) {
        ASSERT_LE(pos + 10, frames.size());
        const size_t length = media::readBE24(frames.data() + pos + 1);
        ASSERT_LE(pos + length, frames.size());
        std::string error;
        ASSERT_TRUE(decoder.decode(frames.data() + pos, length, &error)) << error;
        pos += length;
        const uint8_t* want = expected.data() + frameBytes * static_cast<size_t>(n);
        int mismatches = 0;
        for (int y = 0; y < clip.height; ++y) {
            const uint8_t* row = decoder.dibRows() +
                                 static_cast<size_t>(clip.height - 1 - y) * decoder.dibRowSize();
            for (int x = 0; x < clip.width; ++x, want += 3) {
                const uint8_t* got = row + 3 * x;
                if (got[2] != want[0] || got[1] != want[1] || got[0] != want[2])
                    ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << clip.name << " frame " << n;
    }
    EXPECT_EQ(pos, frames.size());
}

TEST(CinepakDecoderVsFfmpeg, ColourClipWithInterFrames)
{
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    expectSameAsFfmpeg({"colour", "testsrc2=size=96x64:rate=10", 96, 64, 10, {}});
}

TEST(CinepakDecoderVsFfmpeg, ManyStripsAndLuminanceOnlyBooks)
{
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    expectSameAsFfmpeg({"many strips", "testsrc=size=64x96:rate=10", 64, 96, 6,
                        {"-min_strips", "8", "-max_strips", "32"}});
    expectSameAsFfmpeg({"grey", "testsrc2=size=64x48:rate=10,format=gray", 64, 48, 6,
                        {"-pix_fmt", "gray"}});
}

} // namespace
