// Helpers for the compressor tests and benchmark: test pictures as DIBs, a strict reader
// of the key-frame layout the compressor promises, and ffmpeg as an independent decoder.
#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace cinepak::test {

struct Dib {
    media::BitmapInfoHeader header;
    std::vector<uint8_t> rows;
};

// A DIB of the given depth (16 = 5-5-5, 24, 32); rgb(x, y) gives each pixel, y = 0 at the
// top. topDown stores rows top first (negative height).
Dib makeDib(int width, int height, int bits, bool topDown,
            const std::function<void(int x, int y, uint8_t rgb[3])>& rgb);

// The colour each pixel of the DIB stands for (16-bit pixels widened as the compressor
// widens them), top row first, R G B.
std::vector<uint8_t> dibToRgb(const Dib& dib);

// A natural-looking test picture: smooth gradients, edges and some texture.
void scenePixel(int x, int y, uint8_t rgb[3]);

// Checks that frame is a key frame in exactly the layout the Saturn repacking relies on
// (header, stacked strips of multiple-of-4 heights, three chunks V4 book, V1 book, blocks,
// every size exact and under 64 KiB, indices within the books) and decodes it.
// Returns "" and fills rgb (top row first) or returns what is wrong.
std::string checkAndDecode(const std::vector<uint8_t>& frame, int width, int height,
                           std::vector<uint8_t>& rgb);

// Decodes one key frame with the project's Cinepak decoder; RGB, top row first. Returns
// false with the reason in *error when the decoder refuses the frame.
bool decodeWithDecoder(const std::vector<uint8_t>& frame, int width, int height,
                       std::vector<uint8_t>& rgb, std::string* error);

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Decodes frames (all width x height) with ffmpeg's cinepak decoder, through an AVI
// written into dir. Returns the RGB pictures or throws std::runtime_error.
std::vector<std::vector<uint8_t>> ffmpegDecode(const std::vector<std::vector<uint8_t>>& frames,
                                               int width, int height,
                                               const std::filesystem::path& dir);

} // namespace cinepak::test
