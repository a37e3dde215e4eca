// An independent reader (FFmpeg) reads back what the writer wrote.
#include "FilmTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

using namespace filmtest;

namespace {

constexpr const char* kProbe = "/usr/bin/ffprobe";
constexpr const char* kMpeg = "/usr/bin/ffmpeg";

int Run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// key=value lines of one stream, as ffprobe prints them.
std::map<std::string, std::string> ProbeStream(const TempDir& dir, const std::string& movie, const char* stream)
{
    const std::string out = dir.file(std::string("probe-") + stream + ".txt").string();
    const std::string command = std::string(kProbe) + " -v error -select_streams " + stream +
                                " -show_entries stream=codec_type,codec_name,width,height,"
                                "sample_rate,channels,sample_fmt -of default=noprint_wrappers=1 '" +
                                movie + "' > '" + out + "' 2>&1";
    EXPECT_EQ(Run(command), 0) << command;
    std::map<std::string, std::string> fields;
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return fields;
}

std::vector<uint8_t> Decode(const TempDir& dir, const std::string& movie, const std::string& args,
                            const std::string& name)
{
    const std::string out = dir.file(name).string();
    const std::string command = std::string(kMpeg) + " -nostdin -v error -i '" + movie + "' " + args +
                                " -y '" + out + "' 2>&1";
    EXPECT_EQ(Run(command), 0) << command;
    return testsupport::readFileBytes(out);
}

TEST(FilmReadBack, FfmpegReadsStreamsPicturesAndSound)
{
    struct Case {
        const char* name;
        uint16_t channels, bits;
        uint32_t sampleRate;
        const char* codec;
        const char* rawFormat; // what the decoded sound is converted to: the input's own form
    };
    const Case cases[] = {
        {"8-bit mono", 1, 8, 22050, "pcm_s8_planar", "-f u8 -acodec pcm_u8"},
        {"8-bit stereo", 2, 8, 32000, "pcm_s8_planar", "-f u8 -acodec pcm_u8"},
        {"16-bit stereo", 2, 16, 44100, "pcm_s16be_planar", "-f s16le -acodec pcm_s16le"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        MovieParams params;
        params.frames = 15;
        params.width = 64;
        params.height = 48;
        params.decodableFrames = true;
        params.channels = c.channels;
        params.bits = c.bits;
        params.sampleRate = c.sampleRate;
        params.soundLength = c.sampleRate * c.channels * c.bits / 8 * 3 / 4; // 0.75 s
        const std::string movie = dir.file("readback.cpk").string();
        const WrittenMovie written = WriteMovie(movie, params);

        auto video = ProbeStream(dir, movie, "v");
        EXPECT_EQ(video["codec_name"], "cinepak");
        EXPECT_EQ(video["width"], "64");
        EXPECT_EQ(video["height"], "48");
        auto audio = ProbeStream(dir, movie, "a");
        EXPECT_EQ(audio["codec_name"], c.codec);
        EXPECT_EQ(audio["sample_rate"], std::to_string(c.sampleRate));
        EXPECT_EQ(audio["channels"], std::to_string(c.channels));

        // The pictures: 15 frames of flat grey, each 8 levels brighter than the one before.
        const std::vector<uint8_t> grey = Decode(dir, movie, "-map 0:v -f rawvideo -pix_fmt gray", "v.raw");
        ASSERT_EQ(grey.size(), 15u * 64 * 48);
        for (size_t i = 0; i < 15; ++i) {
            const int expected = 16 + 8 * static_cast<int>(i);
            EXPECT_NEAR(grey[i * 64 * 48], expected, 2) << "frame " << i;
            EXPECT_NEAR(grey[i * 64 * 48 + 64 * 48 - 1], expected, 2) << "frame " << i;
        }

        // The sound comes back sample for sample, then the silence that completes its chunk.
        const std::vector<uint8_t> sound = Decode(dir, movie, std::string("-map 0:a ") + c.rawFormat, "a.raw");
        ASSERT_GE(sound.size(), written.sound.size());
        EXPECT_TRUE(std::equal(written.sound.begin(), written.sound.end(), sound.begin()));
        const uint8_t silence = c.bits == 8 ? 0x80 : 0x00;
        EXPECT_TRUE(std::all_of(sound.begin() + static_cast<long>(written.sound.size()), sound.end(),
                                [&](uint8_t b) { return b == silence; }));
    }
}

} // namespace
