// The demo's sample movie: a colourful animated clip with a little tune, written as an
// uncompressed AVI (24-bit video, 8-bit mono PCM sound) by our own small writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct DemoClip {
    int32_t width = 320;
    int32_t height = 224;
    uint32_t framesPerSecond = 12; // a common Saturn rate: leaves room for sound under 300 KB/s
    uint32_t seconds = 4;
    uint32_t soundRate = 22050;
};

// The whole AVI file.
std::vector<uint8_t> MakeDemoAvi(const DemoClip& clip);

// Writes it; false (and errno set) when the file cannot be written.
bool WriteDemoAvi(const std::string& path, const DemoClip& clip);

} // namespace demo
