// Writes tiny AVI files in code for tests: raw or Cinepak video given as stored frame
// bytes, PCM sound, and the layout variants real tools produce (idx1 on or off, relative
// or absolute idx1 offsets, LIST 'rec ' groups, JUNK chunks, OpenDML with RIFF 'AVIX'
// extensions and ix## indexes). Sizes are always consistent; to test damaged files,
// change the bytes afterwards (findChunk helps).
//
//   testsupport::AviMovie movie;
//   movie.streams.push_back(testsupport::rawVideo(6, 5, 24, frames));
//   movie.streams.push_back(testsupport::pcmSound(1, 8, 11025, samples, 735));
//   std::vector<uint8_t> bytes = testsupport::writeAvi(movie);
#pragma once

#include "media/MediaTypes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

// One stream: its header values, its format bytes and its stored chunks in order.
struct AviStream {
    uint32_t type = media::kFourCCVids; // media::kFourCCVids or media::kFourCCAuds
    uint32_t handler = 0;                // strh fccHandler
    Bytes format;                        // the whole strf payload
    uint32_t rate = 15;
    uint32_t scale = 1;
    uint32_t start = 0;                  // dwStart
    uint32_t sampleSize = 0;             // dwSampleSize (sound: normally nBlockAlign)
    int64_t length = -1;                 // dwLength; -1: chunks (video) or samples (sound)
    std::vector<Bytes> chunks;           // one per frame for video; sound in pieces
    std::vector<bool> keyFrames;         // per chunk; empty means every chunk is a key
    std::string name;                    // strn; none when empty
};

struct AviLayout {
    bool idx1 = true;
    bool absoluteIdx1 = false; // idx1 offsets from the file start instead of from 'movi'
    bool recLists = false;     // each round of chunks in a LIST 'rec '
    bool junk = false;         // JUNK in hdrl, between chunks in movi, after idx1
    // OpenDML: 'indx' super indexes, 'ix##' standard indexes at the end of each movi and
    // the chunks after the first chunksPerRiff rounds in RIFF 'AVIX' extensions of at
    // most chunksPerRiff rounds each. idx1 (if on) covers the first RIFF only.
    bool openDml = false;
    int chunksPerRiff = 2;
    // A JUNK chunk of this many bytes opens each AVIX 'movi', pushing later chunks far
    // into the file (past 4 GiB with a few). writeAviFile leaves it as a sparse hole.
    uint64_t avixLeadingJunk = 0;
};

struct AviMovie {
    std::vector<AviStream> streams;
    AviLayout layout;
};

// Video with biCompression BI_RGB (or BI_BITFIELDS when masks are given): frames are
// stored DIB rows. palette: BGRA entries behind the header (8- and 4-bit).
AviStream rawVideo(int width, int height, int bitCount, std::vector<Bytes> frames,
                   const Bytes& palette = {}, const std::vector<uint32_t>& masks = {});
// 'cvid' video at 24 bits; keyFrames empty means every frame is a key frame.
AviStream cinepakVideo(int width, int height, std::vector<Bytes> frames,
                       std::vector<bool> keyFrames = {});
// PCM sound, samples interleaved as stored, cut into chunks of samplesPerChunk samples.
AviStream pcmSound(int channels, int bitsPerSample, uint32_t samplesPerSec,
                   const Bytes& samples, size_t samplesPerChunk);

Bytes writeAvi(const AviMovie& movie);
void writeAviFile(const std::filesystem::path& path, const AviMovie& movie);

// Offset of the first chunk or list header whose id (or list type) is fourCC at or
// after from, or SIZE_MAX. A plain byte search: good enough for the files written here.
size_t findChunk(const Bytes& bytes, const char fourCC[4], size_t from = 0);

// Frame pixel helpers: a 24-bit frame of w x h DIB rows filled by f(x, y) -> B,G,R with
// y counted from the top (rows are stored bottom row first).
template <typename F>
Bytes dib24(int width, int height, F colour)
{
    const size_t row = static_cast<size_t>(media::dibRowSize(24, width));
    Bytes out(row * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = out.data() + static_cast<size_t>(height - 1 - y) * row;
        for (int x = 0; x < width; ++x, p += 3) {
            const auto bgr = colour(x, y);
            p[0] = bgr[0];
            p[1] = bgr[1];
            p[2] = bgr[2];
        }
    }
    return out;
}

} // namespace testsupport
