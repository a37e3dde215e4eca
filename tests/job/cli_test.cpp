// kestrel-convert as a user runs it: options, summary lines, Saturn warnings, errors and
// exit codes, and Ctrl-C.
#include "JobFixture.h"
#include "job/ConvertJob.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace jobtest {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& arg) { return "'" + arg + "'"; }

class CliTest : public JobTest {
protected:
    Outcome Convert(const std::vector<std::string>& args)
    {
        std::string command = Quote(KESTREL_CONVERT);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        command += " >" + Quote(dir.file("out.txt").string()) + " 2>" + Quote(dir.file("err.txt").string());
        Outcome run;
        const int status = std::system(command.c_str());
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(dir.file("out.txt"));
        run.err = Slurp(dir.file("err.txt"));
        return run;
    }
};

TEST_F(CliTest, HelpAndUsageErrors)
{
    const Outcome help = Convert({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* topic : {"--quality", "10000", "300 KB/s", "Ctrl-C", "Exit status"})
        EXPECT_NE(help.out.find(topic), std::string::npos) << topic;
    EXPECT_EQ(Convert({}).status, 2);
    EXPECT_EQ(Convert({"--quality", "10001", "x.avi"}).status, 2);
    EXPECT_EQ(Convert({"--quality"}).status, 2);
    EXPECT_EQ(Convert({"--speed", "x.avi"}).status, 2);
}

TEST_F(CliTest, SummaryLinesWarningsAndFailures)
{
    MovieParams plays{32, 16, 4, 15, 1, 1, 8, 22050, 22050};
    testsupport::writeAviFile(dir.file("plays.avi"), TestMovie(plays));
    MovieParams breaks{22, 14, 4, 48, 1, 1, 8, 48000, 48000};
    testsupport::writeAviFile(dir.file("breaks.avi"), TestMovie(breaks));

    const Outcome run = Convert({"--quality", "5000", dir.file("plays.avi").string(), dir.file("missing.avi").string(),
                             dir.file("breaks.avi").string()});
    EXPECT_EQ(run.status, 1) << "a file failed";
    EXPECT_NE(run.out.find(dir.file("plays.cpk").string() + ": 4 frames, 32x16 at 15 fps, PCM 22050 Hz 8-bit mono, " +
                           std::to_string(std::filesystem::file_size(dir.file("plays.cpk"))) + " bytes, avg "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("plays.avi: 100% (4 of 4 frames)"), std::string::npos) << "plain progress lines";
    EXPECT_NE(run.err.find(dir.file("missing.avi").string() + ": "), std::string::npos) << run.err;
    for (const char* warning : {"not a multiple of 8", "more than 30 frames", "faster than 44100 Hz"})
        EXPECT_NE(run.err.find(warning), std::string::npos) << warning << "\n" << run.err;
    EXPECT_EQ(run.err.find("plays.cpk"), std::string::npos) << "no warning for a movie the Saturn plays";
    EXPECT_TRUE(std::filesystem::exists(dir.file("breaks.cpk")));

    EXPECT_EQ(Convert({dir.file("plays.avi").string()}).status, 0);
}

TEST_F(CliTest, WritesTheSameBytesAsTheJobForTheWindow)
{
    MovieParams params{40, 24, 5, 24, 1, 2, 16, 11025, 9000};
    Add("movie.avi", TestMovie(params));
    window.qualityValue = 3000;
    job::ConvertThreadProc(window);
    const testsupport::Bytes fromWindow = testsupport::readFileBytes(dir.file("movie.cpk"));
    std::filesystem::remove(dir.file("movie.cpk"));

    EXPECT_EQ(Convert({"--quality=3000", dir.file("movie.avi").string()}).status, 0);
    EXPECT_EQ(testsupport::readFileBytes(dir.file("movie.cpk")), fromWindow);
}

// Starts kestrel-convert on files with its standard output on the pipe's write end
// (whose read end is closed in the child), and SIGPIPE at its default; -1 on failure.
pid_t SpawnConvert(const std::vector<std::string>& files, const int pipeFds[2])
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv = {const_cast<char*>(KESTREL_CONVERT)};
    for (const std::string& file : files)
        argv.push_back(const_cast<char*>(file.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, KESTREL_CONVERT, &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

TEST_F(CliTest, OutputPipeClosedByItsReaderCutsNoMovieShort)
{
    MovieParams params;
    testsupport::writeAviFile(dir.file("a.avi"), TestMovie(params));
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]); // gone before the first progress line, like `| head -0`
    const pid_t pid = SpawnConvert({dir.file("a.avi").string()}, pipeFds);
    close(pipeFds[1]);
    ASSERT_GT(pid, 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    FilmMovie film;
    ASSERT_TRUE(ReadFilm(dir.file("a.cpk").string(), &film));
    CheckFilm(film, Expected(params));
}

TEST_F(CliTest, CtrlCStopsAfterTheFrameInHand)
{
    MovieParams params{128, 96, 500, 15, 1, 1, 8, 8000, 8000 * 34};
    testsupport::writeAviFile(dir.file("long.avi"), TestMovie(params));
    testsupport::writeAviFile(dir.file("next.avi"), TestMovie(params));

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t pid = SpawnConvert({dir.file("long.avi").string(), dir.file("next.avi").string()}, pipeFds);
    close(pipeFds[1]);
    ASSERT_GT(pid, 0);

    FILE* out = fdopen(pipeFds[0], "r");
    std::string text;
    char line[4096];
    bool signalled = false;
    while (std::fgets(line, sizeof line, out)) {
        text += line;
        if (!signalled && text.find("10%") != std::string::npos) {
            kill(pid, SIGINT);
            signalled = true;
        }
    }
    std::fclose(out);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(text.find("(stopped"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("next.cpk"))) << "no further file is begun";

    FilmMovie film;
    ASSERT_TRUE(ReadFilm(dir.file("long.cpk").string(), &film));
    uint32_t frames = 0;
    for (const FilmEntry& e : film.entries)
        frames += e.length != 0 && !e.isSound();
    ASSERT_GT(frames, 0u);
    ASSERT_LT(frames, 500u);
    ExpectedMovie expected = Expected(params);
    expected.frames = frames;
    expected.soundWritten = false;
    CheckFilm(film, expected);
}

} // namespace
} // namespace jobtest
