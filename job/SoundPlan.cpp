#include "job/SoundPlan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>

namespace job {

SoundPlan PlanSound(const avi::Stream* stream, std::string* dropped)
{
    SoundPlan plan;
    if (!stream)
        return plan;
    const media::WaveFormatEx format = stream->soundFormat();
    const uint64_t bytes = uint64_t{static_cast<uint32_t>(std::max(stream->length(), 0))} *
                           format.nBlockAlign;
    if (format.wFormatTag != media::kWaveFormatPcm) {
        *dropped = DescribeSound(format) + " is compressed";
        return plan;
    }
    if (format.wBitsPerSample % 8 != 0 ||
        format.nBlockAlign != format.nChannels * (format.wBitsPerSample / 8) ||
        format.nBlockAlign == 0) {
        *dropped = DescribeSound(format) + " has samples of " +
                   std::to_string(format.nBlockAlign) + " bytes";
        return plan;
    }
    if (bytes > std::numeric_limits<uint32_t>::max()) {
        *dropped = "the sound is longer than 4 GiB";
        return plan;
    }
    plan.stream = stream;
    plan.format = format;
    plan.first = stream->start();
    plan.samples = std::max(stream->length(), 0);
    plan.bytes = static_cast<uint32_t>(bytes);
    plan.bytesPerSecond = format.nSamplesPerSec * format.nBlockAlign;
    return plan;
}

std::string DescribeSound(const media::WaveFormatEx& format)
{
    const std::string channels = format.nChannels == 1   ? "mono"
                                 : format.nChannels == 2 ? "stereo"
                                                         : std::to_string(format.nChannels) + " channels";
    if (format.wFormatTag == media::kWaveFormatPcm)
        return "PCM " + std::to_string(format.nSamplesPerSec) + " Hz " +
               std::to_string(format.wBitsPerSample) + "-bit " + channels;
    char tag[8];
    std::snprintf(tag, sizeof tag, "0x%04X", format.wFormatTag);
    return "sound format " + std::string(tag) + " (" + std::to_string(format.nSamplesPerSec) +
           " Hz " + channels + ")";
}

std::vector<uint8_t> ReadSound(const SoundPlan& plan, const std::string& inputPath)
{
    const uint32_t block = plan.format.nBlockAlign;
    std::error_code error;
    const uint64_t fileSize = std::filesystem::file_size(inputPath, error);
    const uint64_t limit = error ? plan.bytes : std::min<uint64_t>(plan.bytes, fileSize);
    const auto count = static_cast<int32_t>(std::min<uint64_t>(limit / block, uint64_t(plan.samples)));

    std::vector<uint8_t> sound(static_cast<size_t>(count) * block);
    int32_t bytesRead = 0;
    if (!plan.stream->read(plan.first, count, sound.data(), sound.size(), &bytesRead))
        throw std::runtime_error("the sound cannot be read: " + plan.stream->error());
    sound.resize(static_cast<size_t>(std::clamp<int64_t>(bytesRead, 0, int64_t(sound.size()))));
    return sound;
}

} // namespace job
