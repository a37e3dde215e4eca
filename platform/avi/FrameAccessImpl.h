// Frame access over one video stream of an opened file.
#pragma once

#include "avi/AviContents.h"
#include "avi/AviFile.h"

#include <memory>
#include <string>

namespace avi::detail {

// What streams and frame access share with the file; kept alive by each of them.
struct OpenedFile {
    std::string path;
    std::unique_ptr<ByteSource> source;
    Contents contents;
};

std::unique_ptr<FrameAccess> openFrameAccess(std::shared_ptr<const OpenedFile> file,
                                             const StreamData& stream, std::string* why);

} // namespace avi::detail
