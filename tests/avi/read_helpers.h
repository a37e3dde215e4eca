// Reading a whole movie back through the public interface, for the AVI tests.
#pragma once

#include "avi/AviFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace avitest {

using Bytes = std::vector<uint8_t>;

// Damaged headers may claim billions of frames or samples; tests read no more than this.
constexpr int32_t kMaxRead = 1 << 16;

// Pixel rows (without the header) of every frame, nullopt for frames that failed.
inline std::vector<std::optional<Bytes>> readFrames(const avi::Stream& video)
{
    std::vector<std::optional<Bytes>> frames;
    auto access = video.openFrames();
    if (!access)
        return frames;
    const int32_t count = std::min(video.length(), kMaxRead);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* f = access->getFrame(video.start() + i);
        if (!f) {
            frames.emplace_back();
            continue;
        }
        media::BitmapInfoHeader h;
        std::memcpy(&h, f, sizeof h);
        frames.emplace_back(Bytes(f + 40, f + 40 + h.biSizeImage));
    }
    return frames;
}

// The whole sound stream, read in one call as the job does.
inline Bytes readSound(const avi::Stream& sound)
{
    const size_t align = sound.soundFormat().nBlockAlign;
    const int32_t count = std::min(sound.length(), kMaxRead);
    Bytes out(static_cast<size_t>(count) * align);
    int32_t got = 0;
    if (!sound.read(sound.start(), count, out.data(), out.size(), &got))
        return {};
    out.resize(static_cast<size_t>(got));
    return out;
}

} // namespace avitest
