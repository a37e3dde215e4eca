// The sound a movie gets: the input's first sound stream as far as the FILM writer can
// carry it, read whole after the frames.
#pragma once

#include "avi/AviFile.h"
#include "media/MediaTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace job {

struct SoundPlan {
    const avi::Stream* stream = nullptr; // none: the movie has no sound
    media::WaveFormatEx format;
    int32_t first = 0;   // the stream's first sample
    int32_t samples = 0; // its length in samples of nBlockAlign bytes
    uint32_t bytes = 0;  // samples x nBlockAlign, the sound's size for the writer
    uint32_t bytesPerSecond = 0; // the sound's share of the data rate
};

// The plan for a file's sound stream (none when stream is null). Sound that cannot be
// carried (compressed, or a block size that does not match its samples, or more than
// 4 GiB) gives an empty plan and the reason in *dropped.
SoundPlan PlanSound(const avi::Stream* stream, std::string* dropped);

// "PCM 22050 Hz 8-bit mono", or the format tag of a compressed format.
std::string DescribeSound(const media::WaveFormatEx& format);

// Reads the whole stream. The buffer is never larger than the input file, whatever the
// stream header claims. Throws std::runtime_error when the stream cannot be read.
std::vector<uint8_t> ReadSound(const SoundPlan& plan, const std::string& inputPath);

} // namespace job
