#include "job/SaturnLimits.h"

namespace job {

std::vector<std::string> SaturnWarnings(const FileSummary& movie)
{
    std::vector<std::string> warnings;
    auto kb = [](uint64_t bytes) { return std::to_string(bytes / 1000) + " kBytes/sec"; };
    if (movie.averageBytesPerSecond > kSaturnBytesPerSecond)
        warnings.push_back("average data rate " + kb(movie.averageBytesPerSecond) +
                           " is over the 300 KB/s the Saturn reads");
    if (movie.peakBytesPerSecond > static_cast<int64_t>(kSaturnBytesPerSecond))
        warnings.push_back("peak data rate " + kb(static_cast<uint64_t>(movie.peakBytesPerSecond)) +
                           " is over the 300 KB/s the Saturn reads");
    if (uint64_t{movie.rate} > uint64_t{movie.scale} * 30)
        warnings.push_back("more than 30 frames per second");
    const std::string size = std::to_string(movie.width) + "x" + std::to_string(movie.height);
    if (movie.width % 8 != 0 || movie.height % 8 != 0)
        warnings.push_back("frame size " + size + " is not a multiple of 8");
    if (movie.height > 240)
        warnings.push_back("frame height " + std::to_string(movie.height) + " is over 240");
    if (movie.width > 512)
        warnings.push_back("frame width " + std::to_string(movie.width) + " is over 512");
    if (int64_t{movie.width} * movie.height > 320 * 240)
        warnings.push_back("frame size " + size + " has more pixels than 320x240");
    if (movie.soundRate > 44100)
        warnings.push_back("sound at " + std::to_string(movie.soundRate) + " Hz is faster than 44100 Hz");
    return warnings;
}

} // namespace job
