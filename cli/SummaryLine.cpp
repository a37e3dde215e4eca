#include "cli/SummaryLine.h"

#include <cstdio>

namespace cli {
namespace {

std::string FramesPerSecond(uint32_t rate, uint32_t scale)
{
    char text[32];
    if (scale != 0 && rate % scale == 0)
        std::snprintf(text, sizeof text, "%u", rate / scale);
    else
        std::snprintf(text, sizeof text, "%.3f", scale ? double(rate) / scale : 0.0);
    return text;
}

std::string Sound(const job::FileSummary& s)
{
    if (s.soundChannels == 0)
        return "no sound";
    const std::string channels = s.soundChannels == 1   ? "mono"
                                 : s.soundChannels == 2 ? "stereo"
                                                        : std::to_string(s.soundChannels) + " channels";
    return "PCM " + std::to_string(s.soundRate) + " Hz " + std::to_string(s.soundBits) + "-bit " +
           channels;
}

} // namespace

std::string SummaryLine(const job::FileSummary& s)
{
    std::string line = s.outputPath + ": " + std::to_string(s.framesWritten) + " frames";
    if (s.stopped)
        line += " (stopped: " + std::to_string(s.frameCount) + " in the input" +
                (s.soundChannels ? "; its sound is not written)" : ")");
    line += ", " + std::to_string(s.width) + "x" + std::to_string(s.height) + " at " +
            FramesPerSecond(s.rate, s.scale) + " fps, " + Sound(s) + ", " +
            std::to_string(s.outputBytes) + " bytes, avg " +
            std::to_string(s.averageBytesPerSecond / 1000) + " kBytes/sec, max " +
            std::to_string(s.peakBytesPerSecond / 1000) + " kBytes/sec";
    return line;
}

} // namespace cli
