// The one line kestrel-convert prints for every converted file.
#pragma once

#include "job/FileSummary.h"

#include <string>

namespace cli {

// "out.cpk: 150 frames, 320x224 at 15 fps, PCM 22050 Hz 8-bit mono, 1234567 bytes,
//  avg 180 kBytes/sec, max 195 kBytes/sec" (the rates as the window shows them).
std::string SummaryLine(const job::FileSummary& summary);

} // namespace cli
