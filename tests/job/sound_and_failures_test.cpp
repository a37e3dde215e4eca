// What the job does with sound it cannot carry, with outputs that would destroy their
// input, and with every failure after the output is created.
#include "JobFixture.h"
#include "cinepak/Compressor.h"
#include "file/File.h"
#include "job/ConvertJob.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace jobtest {
namespace {

namespace fs = std::filesystem;

bool Mentions(const std::vector<std::string>& texts, const std::string& what)
{
    for (const std::string& text : texts)
        if (text.find(what) != std::string::npos)
            return true;
    return false;
}

// Sound the movie cannot carry is left out with a warning; the video converts.
TEST_F(JobTest, SoundThatCannotBeCarriedIsLeftOutWithAWarning)
{
    const struct {
        const char* name;
        int bits;
        uint32_t rate;
        uint16_t formatTag;
        const char* named; // the warning names the sound format
    } cases[] = {
        {"mp3", 8, 8000, 0x0055, "0x0055"},
        {"pcm24", 24, 8000, 1, "24-bit"},
        {"pcm96k", 8, 96000, 1, "96000 Hz"},
    };
    MovieParams params;
    for (const auto& c : cases) {
        params.bits = c.bits;
        params.soundRate = c.rate;
        testsupport::AviMovie movie = TestMovie(params);
        movie.streams[1].format[0] = static_cast<uint8_t>(c.formatTag);
        Add(std::string(c.name) + ".avi", movie);
    }
    job::ConvertThreadProc(window);

    EXPECT_TRUE(window.failures.empty()) << window.failures.front();
    ASSERT_EQ(window.warnings.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(window.warnings[i].rfind(Path(std::string(cases[i].name) + ".avi"), 0), 0u);
        EXPECT_NE(window.warnings[i].find(cases[i].named), std::string::npos) << window.warnings[i];
        FilmMovie film;
        ASSERT_TRUE(ReadFilm(Path(std::string(cases[i].name) + ".cpk"), &film));
        MovieParams silent = params;
        silent.channels = 0;
        CheckFilm(film, Expected(silent));
        EXPECT_EQ(window.summaries[i].soundChannels, 0);
    }
}

TEST_F(JobTest, OutputThatIsTheInputIsRefused)
{
    MovieParams params;
    const testsupport::Bytes avi = testsupport::writeAvi(TestMovie(params));
    testsupport::writeFileBytes(dir.file("self.cpk"), avi);
    List("self.cpk");
    testsupport::writeFileBytes(dir.file("sym.avi"), avi);
    fs::create_symlink(dir.file("sym.avi"), dir.file("sym.cpk"));
    List("sym.avi");
    testsupport::writeFileBytes(dir.file("hard.avi"), avi);
    fs::create_hard_link(dir.file("hard.avi"), dir.file("hard.cpk"));
    List("hard.avi");
    job::ConvertThreadProc(window);

    ASSERT_EQ(window.failures.size(), 3u);
    EXPECT_TRUE(Mentions(window.failures, "would overwrite the input"));
    for (const char* name : {"self.cpk", "sym.avi", "hard.avi"})
        EXPECT_EQ(testsupport::readFileBytes(dir.file(name)), avi) << name << " untouched";
    EXPECT_TRUE(window.summaries.empty());
}

TEST_F(JobTest, OutputThatCannotBeCreatedIsReported)
{
    MovieParams params;
    Add("blocked.avi", TestMovie(params));
    fs::create_directories(dir.file("blocked.cpk"));
    Add("next.avi", TestMovie(params));
    job::ConvertThreadProc(window);

    ASSERT_EQ(window.failures.size(), 1u);
    EXPECT_NE(window.failures[0].find("cannot create " + Path("blocked.cpk") + ": Is a directory"),
              std::string::npos)
        << window.failures[0];
    EXPECT_TRUE(fs::is_directory(dir.file("blocked.cpk")));
    EXPECT_EQ(window.summaries.size(), 1u) << "the next file converts";
}

TEST_F(JobTest, NameWithoutExtensionGetsCpkAppended)
{
    fs::create_directories(dir.file("clips.old"));
    MovieParams params;
    testsupport::writeAviFile(dir.file("clips.old") / "intro", TestMovie(params));
    window.list.push_back({dir.file("clips.old").string(), {"intro"}});
    job::ConvertThreadProc(window);

    EXPECT_TRUE(fs::exists(dir.file("clips.old") / "intro.cpk"));
    EXPECT_FALSE(Exists("clips.cpk"));
}

TEST_F(JobTest, ZeroRateOrScaleIsAnErrorBeforeAnyOutput)
{
    MovieParams params;
    for (const char* name : {"rate0.avi", "scale0.avi"}) {
        testsupport::AviMovie movie = TestMovie(params);
        (std::string(name) == "rate0.avi" ? movie.streams[0].rate : movie.streams[0].scale) = 0;
        Add(name, movie);
    }
    job::ConvertThreadProc(window);

    EXPECT_FALSE(Exists("rate0.cpk"));
    EXPECT_FALSE(Exists("scale0.cpk"));
    EXPECT_EQ(window.failures.size() + window.skipped.size(), 2u);
    EXPECT_TRUE(Mentions(window.failures, Path("rate0.avi")) || Mentions(window.skipped, Path("rate0.avi")));
}

// The stored frames of a Cinepak stream, made by our own compressor.
std::vector<testsupport::Bytes> CinepakFrames(int width, int height, int count)
{
    std::vector<testsupport::Bytes> frames;
    cinepak::Compressor compressor;
    for (int t = 0; t < count; ++t) {
        const testsupport::Bytes rows = TestFrame(width, height, t);
        media::BitmapInfoHeader in;
        in.biWidth = width;
        in.biHeight = height;
        in.biBitCount = 24;
        in.biSizeImage = static_cast<uint32_t>(rows.size());
        int32_t size = static_cast<int32_t>(rows.size());
        const std::vector<uint8_t> block = compressor.compress(in, rows.data(), in, 10000, size);
        frames.emplace_back(block.begin() + 40, block.begin() + 40 + size);
    }
    return frames;
}

// Every failure after the output exists: reported with the file and the cause, the
// output removed, and the next file converted as if nothing had happened.
TEST_F(JobTest, FailuresRemoveTheOutputAndTheJobGoesOn)
{
    MovieParams params;
    std::vector<testsupport::Bytes> damaged = CinepakFrames(params.width, params.height, 4);
    damaged[2] = {0x00, 0x00, 0x00, 0x05, 0x01};
    testsupport::AviMovie damagedMovie;
    damagedMovie.streams.push_back(testsupport::cinepakVideo(params.width, params.height, damaged));
    testsupport::AviMovie tiny;
    tiny.streams.push_back(testsupport::rawVideo(1, 1, 24, {testsupport::Bytes(4, 0x80)}));

    const struct {
        const char* name;
        testsupport::AviMovie movie;
        int writeFault, seekFault;
        const char* cause;
    } cases[] = {
        {"header_write", TestMovie(params), 1, 0, "No space"},
        {"frame_write", TestMovie(params), 6, 0, "No space"},
        {"sound_seek", TestMovie(params), 0, 1, "Input/output error"},
        {"damaged_frame", damagedMovie, 0, 0, "frame 2"},
        {"uncompressible", tiny, 0, 0, "cannot be compressed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window.list.clear();
        window.failures.clear();
        window.summaries.clear();
        Add(std::string(c.name) + ".avi", c.movie);
        Add(std::string(c.name) + "_next.avi", TestMovie(params));
        window.stop.store(0);
        CFile::InjectWriteFault(c.writeFault, ENOSPC);
        CFile::InjectSeekFault(c.seekFault, EIO);
        job::ConvertThreadProc(window);
        CFile::InjectWriteFault(0, 0);
        CFile::InjectSeekFault(0, 0);

        ASSERT_EQ(window.failures.size(), 1u);
        EXPECT_EQ(window.failures[0].rfind(Path(std::string(c.name) + ".avi"), 0), 0u) << window.failures[0];
        EXPECT_NE(window.failures[0].find(c.cause), std::string::npos) << window.failures[0];
        EXPECT_FALSE(Exists(std::string(c.name) + ".cpk")) << "incomplete output removed";
        FilmMovie film;
        ASSERT_TRUE(ReadFilm(Path(std::string(c.name) + "_next.cpk"), &film));
        CheckFilm(film, Expected(params));
    }
}

} // namespace
} // namespace jobtest
