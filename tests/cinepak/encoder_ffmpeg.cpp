#include "encoder_support.h"

#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <stdexcept>

namespace cinepak::test {

std::vector<std::vector<uint8_t>> ffmpegDecode(const std::vector<std::vector<uint8_t>>& frames,
                                               int width, int height,
                                               const std::filesystem::path& dir)
{
    const std::filesystem::path avi = dir / "frames.avi";
    const std::filesystem::path raw = dir / "frames.rgb";
    testsupport::AviMovie movie;
    movie.streams.push_back(testsupport::cinepakVideo(width, height, frames));
    testsupport::writeAviFile(avi, movie);
    std::string log;
    if (!testsupport::runFfmpeg({"-i", avi.string(), "-f", "rawvideo", "-pix_fmt", "rgb24",
                                 raw.string()}, &log))
        throw std::runtime_error("ffmpeg could not decode our frames: " + log);
    const std::vector<uint8_t> all = testsupport::readFileBytes(raw);
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    if (all.size() != frameBytes * frames.size())
        throw std::runtime_error("ffmpeg gave " + std::to_string(all.size()) + " bytes");
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < frames.size(); ++i)
        out.emplace_back(all.begin() + static_cast<long>(i * frameBytes),
                         all.begin() + static_cast<long>((i + 1) * frameBytes));
    return out;
}

} // namespace cinepak::test
