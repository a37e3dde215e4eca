// Helpers of the FILM writer tests: a scratch directory, movie fixtures and a small reader
// of the written file.
#pragma once

#include "film/FilmRecords.h"
#include "support/Ffmpeg.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace filmtest {

using testsupport::TempDir;

// A Cinepak frame whose chunks need padding; its size varies with index.
std::vector<uint8_t> TestFrame(uint32_t index);
// A decodable key frame: one strip of all-V1 blocks drawn from one codebook entry.
std::vector<uint8_t> KeyFrame(uint16_t width, uint16_t height, uint8_t luma);

struct MovieParams {
    uint32_t frames = 0;
    uint32_t rate = 15;
    uint32_t scale = 1;
    uint32_t soundLength = 0; // bytes
    uint16_t channels = 1;
    uint16_t bits = 8;
    uint32_t sampleRate = 22050;
    int64_t framesToWrite = -1; // -1: all; fewer simulate a stopped job
    bool writeAudio = true;     // a stopped job does not write the sound
    uint16_t width = 320, height = 224;
    bool decodableFrames = false;
};

struct ParsedFilm {
    std::vector<uint8_t> bytes;
    uint32_t headerLength = 0;
    uint32_t stabLength = 0;
    uint32_t count = 0;
    std::vector<SampleEntry> entries;
    const uint8_t* Data(const SampleEntry& e) const { return bytes.data() + headerLength + e.offset; }
    size_t DataSize() const { return bytes.size() - headerLength; }
};

ParsedFilm ParseFilm(std::vector<uint8_t> bytes);

struct WrittenMovie {
    ParsedFilm film;
    std::vector<uint8_t> sound;                // the sound as handed to the writer
    std::vector<std::vector<uint8_t>> frames;  // the frames written, as handed over
    uint32_t expectedCountOfPlan = 0;          // frames + ceil(length / q) - 1
};

std::vector<uint8_t> TestSound(uint32_t length);
WrittenMovie WriteMovie(const std::string& path, const MovieParams& params);

// Checks the table and every byte of the data area against the frames and the sound.
void ExpectConsistent(const WrittenMovie& movie, const MovieParams& params);
// V for a frame, A for a sound chunk, . for an unfilled entry.
std::string Pattern(const ParsedFilm& film);

} // namespace filmtest
