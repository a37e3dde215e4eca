// Sample conversion and the layout of mono and stereo sound chunks.
#include "film/SoundLayout.h"

#include <algorithm>
#include <cstring>
#include <utility>

void ConvertSamples(uint8_t* sound, size_t length, unsigned bitsPerSample)
{
    if (bitsPerSample == 16) {
        for (size_t i = 0; i + 1 < length; i += 2) {
            std::swap(sound[i], sound[i + 1]);
        }
        return;
    }
    for (size_t i = 0; i < length; ++i) {
        sound[i] = static_cast<uint8_t>(sound[i] + 0x80);
    }
}

void FillSoundChunk(const uint8_t* sound, size_t available, unsigned channels,
                    unsigned bytesPerSample, uint8_t* chunk, size_t chunkLength)
{
    const size_t frameBytes = size_t{channels} * bytesPerSample;
    const size_t frames = std::min(chunkLength, available) / frameBytes;
    if (channels == 1) {
        std::memcpy(chunk, sound, frames * frameBytes);
        std::memset(chunk + frames * frameBytes, 0, chunkLength - frames * frameBytes);
        return;
    }
    // Stereo: split the chunk into halves, one channel each.
    const size_t half = chunkLength / 2;
    uint8_t* left = chunk;
    uint8_t* right = chunk + half;
    for (size_t i = 0; i < frames; ++i) {
        std::memcpy(left + i * bytesPerSample, sound + i * frameBytes, bytesPerSample);
        std::memcpy(right + i * bytesPerSample, sound + i * frameBytes + bytesPerSample, bytesPerSample);
    }
    const size_t used = frames * bytesPerSample;
    std::memset(left + used, 0, half - used);
    std::memset(right + used, 0, half - used);
}
