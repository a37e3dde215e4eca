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

struct MovieSpec {
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

inline testsupport::AviStream TestVideo(const MovieSpec& spec)
{
    std::vector<testsupport::Bytes> frames;
    for (int t = 0; t < spec.frames; ++t)
        frames.push_back(TestFrame(spec.width, spec.height, t));
    testsupport::AviStream video = testsupport::rawVideo(spec.width, spec.height, 24, frames);
    video.rate = spec.rate;
    video.scale = spec.scale;
    return video;
}

inline testsupport::AviMovie TestMovie(const MovieSpec& spec)
{
    testsupport::AviMovie movie;
    movie.streams.push_back(TestVideo(spec));
    if (spec.channels != 0) {
        const size_t block = size_t(spec.channels) * (spec.bits / 8);
        movie.streams.push_back(testsupport::pcmSound(spec.channels, spec.bits, spec.soundRate,
                                                      TestSound(spec.soundSamples * block),
                                                      spec.soundRate * spec.scale / spec.rate));
    }
    return movie;
}

inline ExpectedMovie Expected(const MovieSpec& spec)
{
    ExpectedMovie m;
    m.width = spec.width;
    m.height = spec.height;
    m.frames = m.frameCount = static_cast<uint32_t>(spec.frames);
    m.rate = spec.rate;
    m.scale = spec.scale;
    m.channels = static_cast<uint16_t>(spec.channels);
    m.bits = static_cast<uint16_t>(spec.bits);
    m.soundRate = spec.soundRate;
    if (spec.channels != 0)
        m.sound = TestSound(spec.soundSamples * size_t(spec.channels) * (spec.bits / 8));
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
