// Inputs for the job's tests: small AVI movies written in code, a fake window over a
// scratch directory, and what the FILM checks expect of each movie.
#pragma once

#include "FakeWindow.h"
#include "FilmCheck.h"
#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace jobtest {

struct MovieParams {
    int width = 22, height = 14; // not multiples of 4: edge blocks and row padding
    int frames = 8;
    uint32_t rate = 15, scale = 1;
    int channels = 1, bits = 8; // channels 0: no sound
    uint32_t soundRate = 8000;
    uint32_t soundSamples = 8000;
};

// A frame with distinct red and blue and no symmetry, changing with t.
inline testsupport::Bytes TestFrame(int width, int height, int t)
{
    return testsupport::dib24(width, height, [t](int x, int y) {
        return std::array<uint8_t, 3>{static_cast<uint8_t>(x * 9 + t * 5), static_cast<uint8_t>(y * 13 + 40),
                                      static_cast<uint8_t>(200 - x * 4 - y * 3 + t)};
    });
}

inline testsupport::Bytes TestSound(size_t bytes)
{
    testsupport::Bytes sound(bytes);
    for (size_t i = 0; i < bytes; ++i)
        sound[i] = static_cast<uint8_t>(i * 37 + i / 7);
    return sound;
}

inline testsupport::AviStream TestVideo(const MovieParams& params)
{
    std::vector<testsupport::Bytes> frames;
    for (int t = 0; t < params.frames; ++t)
        frames.push_back(TestFrame(params.width, params.height, t));
    testsupport::AviStream video = testsupport::rawVideo(params.width, params.height, 24, frames);
    video.rate = params.rate;
    video.scale = params.scale;
    return video;
}

inline testsupport::AviMovie TestMovie(const MovieParams& params)
{
    testsupport::AviMovie movie;
    movie.streams.push_back(TestVideo(params));
    if (params.channels != 0) {
        const size_t block = size_t(params.channels) * (params.bits / 8);
        movie.streams.push_back(testsupport::pcmSound(params.channels, params.bits, params.soundRate,
                                                      TestSound(params.soundSamples * block),
                                                      params.soundRate * params.scale / params.rate));
    }
    return movie;
}

inline ExpectedMovie Expected(const MovieParams& params)
{
    ExpectedMovie m;
    m.width = params.width;
    m.height = params.height;
    m.frames = m.frameCount = static_cast<uint32_t>(params.frames);
    m.rate = params.rate;
    m.scale = params.scale;
    m.channels = static_cast<uint16_t>(params.channels);
    m.bits = static_cast<uint16_t>(params.bits);
    m.soundRate = params.soundRate;
    if (params.channels != 0)
        m.sound = TestSound(params.soundSamples * size_t(params.channels) * (params.bits / 8));
    return m;
}

class JobTest : public ::testing::Test {
protected:
    // Writes the movie into the scratch directory and lists it in the window.
    std::string Add(const std::string& name, const testsupport::AviMovie& movie)
    {
        testsupport::writeAviFile(dir.file(name), movie);
        return List(name);
    }
    std::string List(const std::string& name)
    {
        if (window.list.empty())
            window.list.push_back({dir.path().string(), {}});
        window.list.back().files.push_back(name);
        return Path(name);
    }
    std::string Path(const std::string& name) const { return dir.file(name).string(); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }

    testsupport::TempDir dir;
    FakeWindow window;
};

} // namespace jobtest
