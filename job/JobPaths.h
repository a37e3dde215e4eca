// The file names the job works with: where an input is, where its movie goes.
#pragma once

#include <string>

namespace job {

// The input's full path: the directory item's text, a "/", the file item's text, joined
// without any other change (a directory text that already ends in "/" still gets one).
std::string JoinInputPath(const std::string& directory, const std::string& file);

// The output beside the input: the file name's extension (from its last ".") replaced by
// ".cpk". A name without an extension, or whose only "." leads it, gets ".cpk" appended.
std::string OutputPathFor(const std::string& input);

// True when both paths reach the same existing file (also through links).
bool SameFile(const std::string& a, const std::string& b);

} // namespace job
