// The job's small steps: paths, the preview's drawn size, the data-rate figures, the copy
// into the working frame buffer and the Saturn's limits.
#include "FakeWindow.h"
#include "job/CopyFrame.h"
#include "job/DataRates.h"
#include "job/JobPaths.h"
#include "job/Preview.h"
#include "job/SaturnLimits.h"
#include "media/MediaTypes.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using jobtest::FakeWindow;

TEST(JobPaths, OutputReplacesTheFileNamesExtension)
{
    const struct {
        const char* input;
        const char* output;
    } cases[] = {
        {"/clips/intro.avi", "/clips/intro.cpk"},
        {"/clips/intro.final.avi", "/clips/intro.final.cpk"},
        {"/clips/INTRO.AVI", "/clips/INTRO.cpk"},
        {"/clips.old/intro", "/clips.old/intro.cpk"}, // not cut in the directory name
        {"/clips/intro", "/clips/intro.cpk"},
        {"intro", "intro.cpk"},
        {"/clips/.avi", "/clips/.avi.cpk"},           // a leading dot is no extension
        {"/clips/intro.", "/clips/intro.cpk"},
        {"/clips//intro.avi", "/clips//intro.cpk"},
        {"/clips/intro.cpk", "/clips/intro.cpk"},     // refused by the job: it is the input
    };
    for (const auto& c : cases)
        EXPECT_EQ(job::OutputPathFor(c.input), c.output) << c.input;
}

TEST(JobPaths, DirectoryAndNameJoinWithOneSlashEvenAfterATrailingOne)
{
    EXPECT_EQ(job::JoinInputPath("/clips", "intro.avi"), "/clips/intro.avi");
    EXPECT_EQ(job::JoinInputPath("/", "intro.avi"), "//intro.avi");
    EXPECT_EQ(job::JoinInputPath("/clips/", "intro.avi"), "/clips//intro.avi");

    // On Linux the doubled slash names the same file.
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    std::ofstream(dir / "intro.avi") << "x";
    const std::string doubled = job::JoinInputPath(dir.string() + "/", "intro.avi");
    EXPECT_TRUE(job::SameFile(doubled, (dir / "intro.avi").string()));
}

TEST(JobPaths, SameFileSeesThroughLinks)
{
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    std::ofstream(dir / "a.avi") << "a";
    std::ofstream(dir / "b.avi") << "b";
    fs::create_symlink(dir / "a.avi", dir / "sym.cpk");
    fs::create_hard_link(dir / "a.avi", dir / "hard.cpk");
    EXPECT_TRUE(job::SameFile((dir / "a.avi").string(), (dir / "sym.cpk").string()));
    EXPECT_TRUE(job::SameFile((dir / "a.avi").string(), (dir / "hard.cpk").string()));
    EXPECT_FALSE(job::SameFile((dir / "a.avi").string(), (dir / "b.avi").string()));
    EXPECT_FALSE(job::SameFile((dir / "a.avi").string(), (dir / "missing.cpk").string()));
}

TEST(Preview, FitKeepsProportionsAndNeverEnlarges)
{
    const struct {
        int32_t w, h, drawW, drawH;
    } cases[] = {
        {160, 120, 160, 120}, {320, 240, 320, 240}, {640, 480, 320, 240}, {640, 240, 320, 120},
        {200, 400, 120, 240}, {333, 250, 319, 240}, {321, 100, 320, 99},
    };
    for (const auto& c : cases) {
        const job::PreviewSize size = job::FitPreview(c.w, c.h, 320, 240);
        EXPECT_EQ(size.width, c.drawW) << c.w << "x" << c.h;
        EXPECT_EQ(size.height, c.drawH) << c.w << "x" << c.h;
    }
}

std::vector<uint8_t> FrameBuffer(int32_t width, int32_t height, uint16_t bits)
{
    media::BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = bits;
    const int64_t rows = height > 0 ? media::dibRowSize(bits, width) * height : 0;
    std::vector<uint8_t> frame(sizeof header + static_cast<size_t>(rows));
    std::memcpy(frame.data(), &header, sizeof header);
    for (size_t i = sizeof header; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 7);
    return frame;
}

TEST(Preview, PreparesOncePerFileAndDrawsAtTheTopLeftCorner)
{
    FakeWindow window;
    const job::PreviewRect area = job::PreparePreview(window);
    job::DrawPreview(window, FrameBuffer(640, 240, 24).data(), area);
    job::DrawPreview(window, FrameBuffer(160, 120, 24).data(), area);
    EXPECT_EQ(window.log, (std::vector<std::string>{"fill 10 20 320 240", "draw 10 20 320 120",
                                                    "draw 10 20 160 120"}));

    window.log.clear();
    job::DrawPreview(window, FrameBuffer(160, 120, 24).data(), job::PreviewRect{5, 5, 5, 50});
    EXPECT_TRUE(window.log.empty()) << "an empty area draws nothing";
}

// Frames of 10000, 20000 and 5000 bytes at 15 fps, and the fields after each.
TEST(DataRates, FiguresFollowTheFramesAndTheSound)
{
    const struct {
        uint32_t sound;
        std::vector<std::string> fields;
    } cases[] = {
        {22050, {"max 172", "avg 172", "max 322", "avg 247", "avg 197"}},
        {0, {"max 150", "avg 150", "max 300", "avg 225", "avg 175"}},
    };
    for (const auto& c : cases) {
        FakeWindow window;
        job::RateState state;
        const job::RateInputs inputs{15, 1, c.sound, 0};
        int32_t frame = 0;
        for (int32_t size : {10000, 20000, 5000})
            job::UpdateDataRates(window, state, inputs, size, frame++);
        EXPECT_EQ(window.log, c.fields) << "sound " << c.sound;
    }
}

TEST(DataRates, WholeFramesPerSecondAndSlowStreams)
{
    FakeWindow window;
    job::RateState state;
    job::UpdateDataRates(window, state, {30000, 1001, 0, 5}, 10000, 5);
    EXPECT_EQ(window.log, (std::vector<std::string>{"max 290", "avg 290"})) << "29 fps";

    FakeWindow slow;
    job::RateState slowState;
    job::UpdateDataRates(slow, slowState, {1, 2, 0, 0}, 10000, 0);
    job::UpdateDataRates(slow, slowState, {1, 2, 11025, 0}, 10000, 1);
    EXPECT_EQ(slow.log, (std::vector<std::string>{"avg 0", "max 11", "avg 11"}));
}

TEST(DataRates, AverageDoesNotWrapOnLongFiles)
{
    FakeWindow window;
    job::RateState state;
    // 30 fps, 20 MB per frame: 32-bit arithmetic would wrap on the first frame's average.
    for (int32_t n = 0; n < 300; ++n)
        job::UpdateDataRates(window, state, {30, 1, 0, 0}, 20'000'000, n);
    EXPECT_EQ(state.average, 600'000'000u);
    EXPECT_EQ(window.log.back(), "avg 600000");
}

TEST(CopyFrame, CopiesHeaderAndRowsAndSetsTheImageSize)
{
    const std::vector<uint8_t> frame = FrameBuffer(5, 3, 24); // rows of 16 bytes
    std::vector<uint8_t> buffer(44 + 48 + 8, 0xEE);
    ASSERT_TRUE(job::CopyFrame(buffer.data(), buffer.size(), frame.data()));
    media::BitmapInfoHeader copied;
    std::memcpy(&copied, buffer.data(), sizeof copied);
    EXPECT_EQ(copied.biSizeImage, 48u);
    EXPECT_TRUE(std::equal(frame.begin() + 40, frame.end(), buffer.begin() + 40));
    EXPECT_EQ(buffer[40 + 48], 0xEE) << "nothing copied behind the rows";

    std::vector<uint8_t> small(40 + 47);
    EXPECT_FALSE(job::CopyFrame(small.data(), small.size(), frame.data()));
}

TEST(CopyFrame, NoRowsForAHeightOfZeroOrLess)
{
    for (int32_t height : {0, -3}) {
        std::vector<uint8_t> frame = FrameBuffer(5, height, 24);
        std::vector<uint8_t> buffer(44, 0xEE);
        ASSERT_TRUE(job::CopyFrame(buffer.data(), buffer.size(), frame.data()));
        media::BitmapInfoHeader copied;
        std::memcpy(&copied, buffer.data(), sizeof copied);
        EXPECT_EQ(static_cast<int32_t>(copied.biSizeImage), 16 * height);
    }
}

TEST(SaturnLimits, EachBrokenLimitWarnsOnce)
{
    job::FileSummary plays;
    plays.width = 320;
    plays.height = 224;
    plays.rate = 15;
    plays.scale = 1;
    plays.soundRate = 44100;
    plays.averageBytesPerSecond = 307200;
    plays.peakBytesPerSecond = 307200;
    EXPECT_TRUE(job::SaturnWarnings(plays).empty());

    const struct {
        const char* what;
        void (*change)(job::FileSummary&);
    } cases[] = {
        {"average", [](job::FileSummary& s) { s.averageBytesPerSecond = 307201; }},
        {"peak", [](job::FileSummary& s) { s.peakBytesPerSecond = 307201; }},
        {"30 frames", [](job::FileSummary& s) { s.rate = 30001, s.scale = 1000; }},
        {"multiple of 8", [](job::FileSummary& s) { s.width = 316; }},
        {"multiple of 8", [](job::FileSummary& s) { s.height = 220; }},
        {"over 240", [](job::FileSummary& s) { s.width = 160, s.height = 248; }},
        {"over 512", [](job::FileSummary& s) { s.width = 520, s.height = 16; }},
        {"320x240", [](job::FileSummary& s) { s.width = 352, s.height = 240; }},
        {"44100", [](job::FileSummary& s) { s.soundRate = 48000; }},
    };
    for (const auto& c : cases) {
        job::FileSummary movie = plays;
        c.change(movie);
        const std::vector<std::string> warnings = job::SaturnWarnings(movie);
        ASSERT_EQ(warnings.size(), 1u) << c.what;
        EXPECT_NE(warnings[0].find(c.what), std::string::npos) << warnings[0];
    }
}

} // namespace
