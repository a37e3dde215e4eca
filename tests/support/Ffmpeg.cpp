// Scratch directories and the ffmpeg runner for tests.
#include "support/Ffmpeg.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";

std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace

TempDir::TempDir()
{
    const char* root = std::getenv("KESTREL_TEST_TMP");
    std::filesystem::path base = root ? std::filesystem::path(root)
                                      : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(base);
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "kestrel-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + "-" + std::to_string(random());
        if (std::filesystem::create_directory(base / name)) {
            path_ = base / name;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory under " + base.string());
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool ffmpegAvailable() { return ::access(kFfmpeg, X_OK) == 0; }

bool runFfmpeg(const std::vector<std::string>& args, std::string* log)
{
    TempDir scratch;
    const auto logPath = scratch.file("ffmpeg.log");
    std::string command = std::string(kFfmpeg) + " -hide_banner -nostdin -y -loglevel error";
    for (const std::string& arg : args)
        command += " " + shellQuote(arg);
    command += " >" + shellQuote(logPath.string()) + " 2>&1";
    const int status = std::system(command.c_str());
    if (log) {
        const auto bytes = readFileBytes(logPath);
        log->assign(bytes.begin(), bytes.end());
    }
    return status == 0;
}

std::vector<uint8_t> readFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace testsupport
