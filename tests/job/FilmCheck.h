// Reads a FILM movie back and checks it against what the job should have written: the
// header records, the sample table against the interleaving rules, every sound byte, and
// the Saturn layout of every video sample. Independent of the writer's code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jobtest {

struct FilmEntry {
    uint32_t offset = 0, length = 0, time = 0, duration = 0;
    bool isSound() const { return time == 0xFFFFFFFF; }
};

struct FilmMovie {
    std::vector<uint8_t> bytes;
    uint32_t headerLength = 0;
    int32_t width = 0, height = 0;
    uint8_t depth = 0, channels = 0, bits = 0;
    uint32_t soundRate = 0; // whole hertz
    uint32_t count = 0;
    std::vector<FilmEntry> entries;
    const uint8_t* sample(const FilmEntry& e) const { return bytes.data() + headerLength + e.offset; }
};

// What the input held, for the checks.
struct ExpectedMovie {
    int32_t width = 0, height = 0;
    uint32_t frames = 0;  // frames written
    uint32_t frameCount = 0; // frames in the input (the plan's count)
    uint32_t rate = 0, scale = 1;
    uint16_t channels = 0, bits = 0; // 0 channels: no sound
    uint32_t soundRate = 0;
    std::vector<uint8_t> sound; // the input's sound bytes, as stored in the AVI
    bool soundWritten = true;   // false when the job was stopped
};

// Parses the file; fails the current test (and returns false) when it is no FILM file.
bool ReadFilm(const std::string& path, FilmMovie* movie);

// Every check above, as gtest failures.
void CheckFilm(const FilmMovie& movie, const ExpectedMovie& expected);

// The Saturn layout of one video sample of a frame of width x height.
void CheckSaturnSample(const uint8_t* sample, uint32_t length, int32_t width, int32_t height);

} // namespace jobtest
