// What the Saturn's movie player plays: a converted movie that breaks it still converts,
// but gets a warning.
#pragma once

#include "job/FileSummary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace job {

// The CD drive reads 300 KB/s; the whole movie, sound included, must stay within it.
constexpr uint64_t kSaturnBytesPerSecond = 307200;

// One text per limit the movie breaks, none when it plays.
std::vector<std::string> SaturnWarnings(const FileSummary& movie);

} // namespace job
