// Cinepak decode speed: our frame access over a 320x224 Cinepak AVI beside ffmpeg's
// decode of the same file (ffmpeg -benchmark -i IN.avi -f null -), in one run.
//
// Usage: kestrel-bench-decode [IN.avi]
// Without a file, ffmpeg encodes 60 frames of a noisy 320x224 test picture as Cinepak
// (every block changes, so every block is coded) and repeats them into a 1500-frame
// clip in a temporary file.
#include "avi/AviFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEncodedFrames = 60;
constexpr int kRepeats = 25;

std::string run(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return out;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    return out;
}

bool makeClip(const std::string& path)
{
    const std::string part = path + ".part.avi";
    const std::string ffmpeg = "ffmpeg -hide_banner -nostdin -y -loglevel error ";
    const bool ok =
        std::system((ffmpeg + "-f lavfi -i 'testsrc2=size=320x224:rate=15,noise=alls=30:allf=t' "
                              "-frames:v " + std::to_string(kEncodedFrames) +
                     " -c:v cinepak -g 15 '" + part + "'").c_str()) == 0 &&
        std::system((ffmpeg + "-stream_loop " + std::to_string(kRepeats - 1) + " -i '" + part +
                     "' -c copy '" + path + "'").c_str()) == 0;
    std::filesystem::remove(part);
    return ok;
}

struct Speed {
    double wall = 0; // frames per second of real time
    double cpu = 0;  // frames per second of processor time
};

double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Decodes every frame in order, as the conversion does.
Speed ourDecode(const std::string& path, int* frameCount)
{
    std::string error;
    auto file = avi::File::open(path, &error);
    if (!file) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return {};
    }
    const avi::Stream* video = file->stream(media::kFourCCVids);
    std::string why;
    auto frames = video ? video->openFrames(&why) : nullptr;
    if (!frames) {
        std::fprintf(stderr, "%s: no decodable video: %s\n", path.c_str(), why.c_str());
        return {};
    }
    const auto begin = std::chrono::steady_clock::now();
    const double cpuBegin = cpuSeconds();
    unsigned checksum = 0;
    for (int32_t n = video->start(); n < video->start() + video->length(); ++n) {
        const uint8_t* frame = frames->getFrame(n);
        if (!frame) {
            std::fprintf(stderr, "%s\n", frames->error().c_str());
            return {};
        }
        checksum += frame[40 + (n % 1000)];
    }
    const double cpu = cpuSeconds() - cpuBegin;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    *frameCount = video->length();
    std::printf("kestrel: %d frames, wall %.3fs, cpu %.3fs (checksum %u)\n", video->length(),
                seconds, cpu, checksum);
    return {video->length() / seconds, video->length() / cpu};
}

// ffmpeg's own figures from its "bench:" line: frames / rtime (real) and / utime + stime.
Speed ffmpegDecode(const std::string& path, int frames)
{
    const std::string out =
        run("ffmpeg -hide_banner -nostdin -benchmark -i '" + path + "' -f null - 2>&1");
    const size_t at = out.find("bench: utime=");
    double user = 0, system = 0, real = 0;
    if (at == std::string::npos ||
        std::sscanf(out.c_str() + at, "bench: utime=%lfs stime=%lfs rtime=%lfs", &user, &system,
                    &real) != 3 ||
        real <= 0 || user + system <= 0) {
        std::fprintf(stderr, "no benchmark line from ffmpeg:\n%s\n", out.c_str());
        return {};
    }
    std::printf("ffmpeg:  %s\n", out.substr(at, out.find('\n', at) - at).c_str());
    return {frames / real, frames / (user + system)};
}

} // namespace

int main(int argc, char** argv)
{
    std::string path;
    std::filesystem::path temp;
    if (argc > 1) {
        path = argv[1];
    } else {
        temp = std::filesystem::temp_directory_path() /
               ("kestrel-bench-decode-" + std::to_string(::getpid()) + ".avi");
        path = temp.string();
        if (!makeClip(path)) {
            std::fprintf(stderr, "ffmpeg could not write the clip\n");
            return 1;
        }
    }
    // The machine may be shared: alternate the two a few times and keep each one's best.
    constexpr int kRounds = 3;
    int frames = 0;
    Speed ours, theirs;
    for (int round = 0; round < kRounds; ++round) {
        const Speed a = ourDecode(path, &frames);
        const Speed b = frames > 0 ? ffmpegDecode(path, frames) : Speed{};
        if (a.wall <= 0 || b.wall <= 0)
            break;
        ours = {std::max(ours.wall, a.wall), std::max(ours.cpu, a.cpu)};
        theirs = {std::max(theirs.wall, b.wall), std::max(theirs.cpu, b.cpu)};
    }
    if (!temp.empty())
        std::filesystem::remove(temp);
    if (ours.wall <= 0 || theirs.wall <= 0)
        return 1;
    std::printf("%s: %d frames of %s, best of %d rounds\n", path.c_str(), frames,
                "320x224 Cinepak" , kRounds);
    std::printf("                 real time         processor time\n");
    std::printf("kestrel decode: %8.1f frames/s  %8.1f frames/s\n", ours.wall, ours.cpu);
    std::printf("ffmpeg decode:  %8.1f frames/s  %8.1f frames/s\n", theirs.wall, theirs.cpu);
    return 0;
}
