// Test helpers around the real peer: a scratch directory per test and running ffmpeg.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under $KESTREL_TEST_TMP (or the system's temporary directory),
// removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// True when /usr/bin/ffmpeg can be run.
bool ffmpegAvailable();

// Runs ffmpeg with these arguments (after -hide_banner -nostdin -y -loglevel error).
// Returns true when it exits with status 0; *log, if given, gets what it printed.
bool runFfmpeg(const std::vector<std::string>& args, std::string* log = nullptr);

std::vector<uint8_t> readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

} // namespace testsupport
