#include "job/JobPaths.h"

#include <filesystem>
#include <system_error>

namespace job {

std::string JoinInputPath(const std::string& directory, const std::string& file)
{
    return directory + "/" + file;
}

std::string OutputPathFor(const std::string& input)
{
    const size_t nameStart = input.find_last_of('/') == std::string::npos
                                 ? 0
                                 : input.find_last_of('/') + 1;
    const size_t dot = input.find_last_of('.');
    // Only a "." inside the file name, after its first character, starts an extension:
    // cutting at a directory's "." or leaving a bare ".cpk" would name some other file.
    if (dot == std::string::npos || dot <= nameStart)
        return input + ".cpk";
    return input.substr(0, dot) + ".cpk";
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}

} // namespace job
