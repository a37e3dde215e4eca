// The conversion job through its window interface: file-level rules, the order of what
// it shows, and what each movie's output holds.
#include "JobFixture.h"
#include "job/ConvertJob.h"

#include <gtest/gtest.h>

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using Outline = std::vector<std::string>;

// Every movie of the table converts, and its output passes every FILM check.
TEST_F(JobTest, ConvertsMoviesOfEverySoundKindAndRate)
{
    const struct {
        const char* name;
        MovieParams params;
    } cases[] = {
        {"mono8_15fps", {22, 14, 8, 15, 1, 1, 8, 8000, 8000}},
        {"stereo16_24fps", {24, 16, 9, 24, 1, 2, 16, 11025, 6000}},
        {"silent_ntsc", {16, 8, 6, 30000, 1001, 0, 0, 0, 0}},
        {"mono8_ntsc_long_sound", {8, 8, 5, 30000, 1001, 1, 8, 11025, 30000}},
        {"stereo8_short_sound", {8, 8, 7, 15, 1, 2, 8, 8000, 1000}},
    };
    for (const auto& c : cases)
        Add(std::string(c.name) + ".avi", TestMovie(c.params));
    job::ConvertThreadProc(window);

    EXPECT_TRUE(window.failures.empty()) << window.failures.front();
    EXPECT_TRUE(window.warnings.empty());
    ASSERT_EQ(window.summaries.size(), std::size(cases));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FilmMovie movie;
        ASSERT_TRUE(ReadFilm(Path(std::string(c.name) + ".cpk"), &movie));
        CheckFilm(movie, Expected(c.params));
    }
    EXPECT_EQ(window.stop.load(), 1);
}

TEST_F(JobTest, ShowsEachFileAndItsFramesInOrder)
{
    MovieParams params;
    params.frames = 2;
    const std::string input = Add("intro.final.avi", TestMovie(params));
    window.list.push_back({dir.path().string() + "/", {"intro.final.avi"}}); // trailing "/"
    window.list.push_back({"/nowhere", {}});
    job::ConvertThreadProc(window);

    const std::string doubled = dir.path().string() + "//intro.final.avi";
    const std::string dirText = dir.path().string();
    const Outline perFile = {"pos 0", "invalidate", "select intro.final.avi"};
    Outline expected = {"scroll " + dirText};
    for (const std::string& path : {input, doubled}) {
        if (path == doubled)
            expected.push_back("scroll " + dirText + "/");
        expected.insert(expected.end(), perFile.begin(), perFile.end());
        for (const std::string& entry : {"stored " + path, "filename " + path, std::string("range 0 2"),
                                         std::string("step 1"), std::string("fill 10 20 320 240"),
                                         "finished " + path})
            expected.push_back(entry);
    }
    expected.push_back("scroll /nowhere");
    EXPECT_EQ(window.outline(), expected);
    EXPECT_EQ(window.count("draw 10 20 22 14"), 4u);
    EXPECT_EQ(window.count("stepit"), 4u);
    EXPECT_TRUE(Exists("intro.final.cpk"));
}

TEST_F(JobTest, EmptyListOnlySetsTheStopFlag)
{
    job::ConvertThreadProc(window);
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(window.stop.load(), 1);
}

TEST_F(JobTest, StreamStartingAtFrameFive)
{
    MovieParams params;
    params.frames = 3;
    params.channels = 0;
    testsupport::AviMovie movie = TestMovie(params);
    movie.streams[0].start = 5;
    Add("late.avi", movie);
    job::ConvertThreadProc(window);

    EXPECT_EQ(window.count("range 5 8"), 1u);
    EXPECT_EQ(window.count("stepit"), 3u);
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(Path("late.cpk"), &film));
    CheckFilm(film, Expected(params));
}

TEST_F(JobTest, UnopenableInputAndMissingVideoArePassedOver)
{
    testsupport::writeFileBytes(dir.file("junk.avi"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'v', 'i'});
    List("junk.avi");
    List("missing.avi");
    MovieParams params;
    testsupport::AviMovie soundOnly = TestMovie(params);
    soundOnly.streams.erase(soundOnly.streams.begin());
    Add("sound_only.avi", soundOnly);
    Add("good.avi", TestMovie(params));
    job::ConvertThreadProc(window);

    EXPECT_FALSE(Exists("junk.cpk"));
    EXPECT_FALSE(Exists("missing.cpk"));
    ASSERT_TRUE(Exists("sound_only.cpk"));
    EXPECT_EQ(fs::file_size(dir.file("sound_only.cpk")), 0u) << "left empty";
    ASSERT_EQ(window.skipped.size(), 3u);
    EXPECT_NE(window.skipped[2].find("no video stream"), std::string::npos);
    EXPECT_TRUE(window.failures.empty());
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(window.summaries.size(), 1u);
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(Path("good.cpk"), &film));
    CheckFilm(film, Expected(params));
}

TEST_F(JobTest, UndecodableVideoGetsTheMessageAndKeepsHeaderAndTable)
{
    MovieParams params;
    testsupport::AviMovie movie = TestMovie(params);
    movie.streams[0].handler = media::makeFourCC('X', 'V', 'I', 'D');
    movie.streams[0].format[16] = 'X', movie.streams[0].format[17] = 'V';
    movie.streams[0].format[18] = 'I', movie.streams[0].format[19] = 'D';
    Add("xvid.avi", movie);
    Add("good.avi", TestMovie(params));
    job::ConvertThreadProc(window);

    EXPECT_EQ(window.messages, std::vector<std::string>{"Unable to decompress; possibly non-'cvid' compression."});
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(Path("xvid.cpk"), &film));
    ExpectedMovie expected = Expected(params);
    expected.frames = 0;
    expected.soundWritten = false;
    CheckFilm(film, expected);
    EXPECT_EQ(film.bytes.size(), film.headerLength + 4000u) << "header, table and the first sound chunk";
    EXPECT_EQ(window.summaries.size(), 1u);
    EXPECT_TRUE(Exists("good.cpk"));
}

TEST_F(JobTest, AbortFinishesTheFrameInHandAndWritesTheTable)
{
    MovieParams params;
    Add("a.avi", TestMovie(params));
    Add("b.avi", TestMovie(params));
    window.stopAfterSteps = 3;
    job::ConvertThreadProc(window);

    EXPECT_EQ(window.count("stepit"), 3u);
    EXPECT_EQ(window.count("select"), 1u) << "no further file is begun";
    EXPECT_FALSE(Exists("b.cpk"));
    ASSERT_EQ(window.summaries.size(), 1u);
    EXPECT_TRUE(window.summaries[0].stopped);
    EXPECT_EQ(window.summaries[0].framesWritten, 3);
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(Path("a.cpk"), &film));
    ExpectedMovie expected = Expected(params);
    expected.frames = 3;
    expected.soundWritten = false;
    CheckFilm(film, expected);
}

TEST_F(JobTest, PalettisedInputFitsTheWorkingBuffer)
{
    testsupport::Bytes palette;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0});
    std::vector<testsupport::Bytes> frames;
    for (int t = 0; t < 3; ++t) {
        // 8-bit rows ask for frames of half their size: 1536 bytes here.
        testsupport::Bytes rows(static_cast<size_t>(media::dibRowSize(8, 62) * 40));
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<uint8_t>(i / 64 * 3 + i % 64 + t);
        frames.push_back(rows);
    }
    testsupport::AviMovie movie;
    movie.streams.push_back(testsupport::rawVideo(62, 40, 8, frames, palette));
    Add("pal.avi", movie);
    job::ConvertThreadProc(window);

    ASSERT_TRUE(window.failures.empty()) << window.failures.front();
    MovieParams params{62, 40, 3, 15, 1, 0, 0, 0, 0};
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(Path("pal.cpk"), &film));
    CheckFilm(film, Expected(params));
}

// Top-down rows make the same movie as bottom-up ones; 16- and 32-bit rows convert too.
TEST_F(JobTest, RowOrderAndDepthsOfUncompressedInput)
{
    MovieParams params{24, 16, 3, 15, 1, 0, 0, 0, 0};
    std::vector<testsupport::Bytes> bottomUp, topDown, deep16, deep32;
    const size_t row = static_cast<size_t>(media::dibRowSize(24, params.width));
    for (int t = 0; t < params.frames; ++t) {
        const testsupport::Bytes frame = TestFrame(params.width, params.height, t);
        bottomUp.push_back(frame);
        testsupport::Bytes flipped;
        for (int y = params.height - 1; y >= 0; --y)
            flipped.insert(flipped.end(), frame.begin() + static_cast<long>(y * row),
                           frame.begin() + static_cast<long>((y + 1) * row));
        topDown.push_back(flipped);
        deep16.push_back(testsupport::Bytes(static_cast<size_t>(media::dibRowSize(16, params.width) * params.height),
                                            static_cast<uint8_t>(0x21 * t + 3)));
        deep32.push_back(testsupport::Bytes(static_cast<size_t>(media::dibRowSize(32, params.width) * params.height),
                                            static_cast<uint8_t>(0x35 * t + 9)));
    }
    const struct {
        const char* name;
        testsupport::AviStream video;
    } cases[] = {
        {"bottom_up", testsupport::rawVideo(params.width, params.height, 24, bottomUp)},
        {"top_down", testsupport::rawVideo(params.width, -params.height, 24, topDown)},
        {"rgb555", testsupport::rawVideo(params.width, params.height, 16, deep16)},
        {"rgb32", testsupport::rawVideo(params.width, params.height, 32, deep32)},
    };
    for (const auto& c : cases) {
        testsupport::AviMovie movie;
        movie.streams.push_back(c.video);
        Add(std::string(c.name) + ".avi", movie);
    }
    job::ConvertThreadProc(window);

    ASSERT_TRUE(window.failures.empty()) << window.failures.front();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FilmMovie film;
        ASSERT_TRUE(ReadFilm(Path(std::string(c.name) + ".cpk"), &film));
        CheckFilm(film, Expected(params));
    }
    EXPECT_EQ(testsupport::readFileBytes(dir.file("top_down.cpk")),
              testsupport::readFileBytes(dir.file("bottom_up.cpk")));
}

} // namespace
} // namespace jobtest
