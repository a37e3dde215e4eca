#include "job/CopyFrame.h"

#include "media/MediaTypes.h"

#include <cstring>

namespace job {

bool CopyFrame(uint8_t* buffer, size_t bufferSize, const uint8_t* frame)
{
    media::BitmapInfoHeader header;
    std::memcpy(&header, frame, sizeof header);
    const int64_t rowSize = media::dibRowSize(header.biBitCount, header.biWidth);
    const int64_t rowBytes = header.biHeight > 0 ? rowSize * header.biHeight : 0;
    if (bufferSize < sizeof(media::BitmapInfo) || rowBytes < 0 ||
        static_cast<uint64_t>(rowBytes) > bufferSize - sizeof header)
        return false;

    // The 4 bytes behind the header are the first row's when there are rows; a frame
    // without rows may end at its header, so they are not read then.
    std::memcpy(buffer, frame, rowBytes >= 4 ? sizeof(media::BitmapInfo) : sizeof header);
    if (rowBytes < 4)
        std::memset(buffer + sizeof header, 0, sizeof(media::BitmapInfo) - sizeof header);
    if (rowBytes > 0)
        std::memcpy(buffer + sizeof header, frame + sizeof header, static_cast<size_t>(rowBytes));

    const auto sizeImage = static_cast<uint32_t>(static_cast<int32_t>(rowSize * header.biHeight));
    std::memcpy(buffer + offsetof(media::BitmapInfoHeader, biSizeImage), &sizeImage,
                sizeof sizeImage);
    return true;
}

} // namespace job
