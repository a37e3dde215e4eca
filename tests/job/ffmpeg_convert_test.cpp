// Movies that ffmpeg writes, converted by the job, read back by our FILM checks and decoded
// whole by ffmpeg's FILM reader: the right number of frames, close to the source.
#include "JobFixture.h"
#include "job/ConvertJob.h"

#include <gtest/gtest.h>

#include <cmath>

namespace jobtest {
namespace {

struct FfmpegCase {
    const char* name;
    const char* fps;
    uint32_t rate, scale;
    std::vector<std::string> videoCodec;
    int channels, bits;
    uint32_t soundRate;
};

constexpr int kWidth = 64, kHeight = 48;

// Decodes a movie's video to rgb24 frames, every stored frame once.
std::vector<uint8_t> DecodeRgb(const std::filesystem::path& movie, const std::filesystem::path& out)
{
    std::string log;
    EXPECT_TRUE(testsupport::runFfmpeg({"-i", movie.string(), "-map", "0:v", "-fps_mode", "passthrough",
                                        "-f", "rawvideo", "-pix_fmt", "rgb24", out.string()},
                                       &log))
        << log;
    return testsupport::readFileBytes(out);
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    const double mse = sum / double(a.size());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST_F(JobTest, FfmpegMoviesConvertAndDecode)
{
    ASSERT_TRUE(testsupport::ffmpegAvailable());
    const std::vector<std::string> cinepak = {"-c:v", "cinepak"};
    const std::vector<std::string> raw = {"-c:v", "rawvideo", "-pix_fmt", "bgr24"};
    const FfmpegCase cases[] = {
        {"cinepak_u8mono_15", "15", 15, 1, cinepak, 1, 8, 22050},
        {"raw_s16stereo_24", "24", 24, 1, raw, 2, 16, 44100},
        {"cinepak_silent_ntsc", "30000/1001", 30000, 1001, cinepak, 0, 0, 0},
        {"raw_u8mono_ntsc", "30000/1001", 30000, 1001, raw, 1, 8, 11025},
        {"cinepak_s16stereo_24", "24", 24, 1, cinepak, 2, 16, 32000},
        {"raw_silent_15", "15", 15, 1, raw, 0, 0, 0},
    };
    for (const FfmpegCase& c : cases) {
        std::vector<std::string> args = {"-f", "lavfi", "-i",
                                         "testsrc2=s=64x48:r=" + std::string(c.fps) + ":d=1.5"};
        if (c.channels) {
            args.insert(args.end(), {"-f", "lavfi", "-i", "sine=f=330:r=" + std::to_string(c.soundRate) + ":d=1.5",
                                     "-c:a", c.bits == 8 ? "pcm_u8" : "pcm_s16le", "-ac",
                                     std::to_string(c.channels)});
        }
        args.insert(args.end(), c.videoCodec.begin(), c.videoCodec.end());
        args.push_back(dir.file(std::string(c.name) + ".avi").string());
        std::string log;
        ASSERT_TRUE(testsupport::runFfmpeg(args, &log)) << c.name << ": " << log;
        List(std::string(c.name) + ".avi");
    }
    job::ConvertThreadProc(window);
    ASSERT_TRUE(window.failures.empty()) << window.failures.front();
    ASSERT_EQ(window.summaries.size(), std::size(cases));

    for (const FfmpegCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto input = dir.file(std::string(c.name) + ".avi");
        const std::vector<uint8_t> source = DecodeRgb(input, dir.file(std::string(c.name) + "_in.rgb"));
        const size_t frameBytes = size_t{kWidth} * kHeight * 3;
        ExpectedMovie expected;
        expected.width = kWidth;
        expected.height = kHeight;
        expected.frames = expected.frameCount = static_cast<uint32_t>(source.size() / frameBytes);
        expected.rate = c.rate;
        expected.scale = c.scale;
        if (c.channels) {
            expected.channels = static_cast<uint16_t>(c.channels);
            expected.bits = static_cast<uint16_t>(c.bits);
            expected.soundRate = c.soundRate;
            const auto pcm = dir.file(std::string(c.name) + ".pcm");
            ASSERT_TRUE(testsupport::runFfmpeg({"-i", input.string(), "-map", "0:a", "-c:a", "copy", "-f",
                                                c.bits == 8 ? "u8" : "s16le", pcm.string()}));
            expected.sound = testsupport::readFileBytes(pcm);
            ASSERT_FALSE(expected.sound.empty());
        }
        FilmMovie film;
        const auto output = dir.file(std::string(c.name) + ".cpk");
        ASSERT_TRUE(ReadFilm(output.string(), &film));
        CheckFilm(film, expected);

        const std::vector<uint8_t> decoded = DecodeRgb(output, dir.file(std::string(c.name) + "_out.rgb"));
        ASSERT_EQ(decoded.size(), source.size()) << "frames decoded by ffmpeg";
        EXPECT_GE(Psnr(source, decoded), 30.0);
    }
}

} // namespace
} // namespace jobtest
