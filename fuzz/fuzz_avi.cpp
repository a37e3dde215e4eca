// libFuzzer entry: opens a movie from the bytes, decodes every frame of every video
// stream (and a few out of order) and reads all the sound.
#include "avi/AviFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <vector>

namespace {

// Keeps each input fast: big pictures and long streams add time, not coverage.
constexpr int64_t kMaxPixels = 1 << 18;
constexpr int32_t kMaxFrames = 64;
constexpr int32_t kMaxSamples = 1 << 16;

void decodeVideo(const avi::Stream& video)
{
    const media::BitmapInfoHeader h = video.videoFormat();
    if (int64_t{h.biWidth} * std::abs(int64_t{h.biHeight}) > kMaxPixels)
        return;
    auto frames = video.openFrames();
    if (!frames)
        return;
    const int32_t count = std::min(video.length(), kMaxFrames);
    for (int32_t i = 0; i < count; ++i)
        frames->getFrame(video.start() + i);
    // Out of order, and one past the end when that is still a frame number.
    for (int64_t i : {count / 2, 0, count - 1, count + 1})
        if (video.start() + i <= INT32_MAX)
            frames->getFrame(static_cast<int32_t>(video.start() + i));
}

void readSound(const avi::Stream& sound)
{
    // Samples are nBlockAlign (1..65535) bytes: read whole samples, 64 at a time, so that
    // wide blocks are read too and no sample is skipped.
    constexpr int32_t kPerRead = 64;
    const size_t align = std::max<uint32_t>(1, sound.info().dwSampleSize);
    std::vector<uint8_t> buffer(align * kPerRead);
    const int32_t count = std::min(sound.length(), kMaxSamples);
    int32_t done = 0;
    while (done < count) {
        int32_t bytes = 0;
        if (!sound.read(sound.start() + done, kPerRead, buffer.data(), buffer.size(), &bytes) ||
            bytes == 0)
            break;
        done += static_cast<int32_t>(static_cast<size_t>(bytes) / align);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto file = avi::File::openMemory(std::vector<uint8_t>(data, data + size), nullptr);
    if (!file)
        return 0;
    for (int i = 0; const avi::Stream* s = file->stream(media::kFourCCVids, i); ++i)
        decodeVideo(*s);
    for (int i = 0; const avi::Stream* s = file->stream(media::kFourCCAuds, i); ++i)
        readSound(*s);
    return 0;
}
