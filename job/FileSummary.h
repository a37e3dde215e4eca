// What the job knows about a file once it has reached its end: enough for a summary line
// and for checking what the Saturn plays.
#pragma once

#include <cstdint>
#include <string>

namespace job {

struct FileSummary {
    std::string inputPath;
    std::string outputPath;
    bool stopped = false; // the stop flag ended the frames early: no sound was written

    int32_t framesWritten = 0;
    int32_t frameCount = 0; // frames in the video stream
    int32_t width = 0;
    int32_t height = 0;
    uint32_t rate = 0; // the video runs at rate / scale frames per second
    uint32_t scale = 1;

    // The sound as the output carries it; channels 0 when it has none.
    uint16_t soundChannels = 0;
    uint16_t soundBits = 0;
    uint32_t soundRate = 0;

    uint64_t outputBytes = 0;
    // The data-rate figures of the file's last frame, in bytes per second, sound included.
    uint64_t averageBytesPerSecond = 0;
    int64_t peakBytesPerSecond = 0;
};

} // namespace job
