// The table of frame decoders by compression code.
#include "avi/FrameDecoder.h"

#include "avi/AviContents.h"
#include "media/ByteOrder.h"

#include <cstdlib>

namespace avi::detail {

namespace {

using Factory = std::unique_ptr<FrameDecoder> (*)(const FormatBytes&, std::string*);

struct DecoderEntry {
    uint32_t compression;
    Factory make;
};

// Uncompressed video appears as BI_RGB, BI_BITFIELDS or, from some writers, a four-
// character code meaning the same.
const DecoderEntry kDecoders[] = {
    {media::kBiRgb, makeRawDecoder},
    {media::kBiBitfields, makeRawDecoder},
    {media::makeFourCC('D', 'I', 'B', ' '), makeRawDecoder},
    {media::makeFourCC('R', 'G', 'B', ' '), makeRawDecoder},
    {media::kFourCCCvid, makeCinepakDecoder},
    {media::makeFourCC('C', 'V', 'I', 'D'), makeCinepakDecoder},
};

} // namespace

media::BitmapInfoHeader parseBitmapInfoHeader(const FormatBytes& f)
{
    media::BitmapInfoHeader h;
    if (f.size() < sizeof(media::BitmapInfoHeader))
        return h;
    const uint8_t* p = f.data();
    h.biSize = media::readLE32(p);
    h.biWidth = static_cast<int32_t>(media::readLE32(p + 4));
    h.biHeight = static_cast<int32_t>(media::readLE32(p + 8));
    h.biPlanes = media::readLE16(p + 12);
    h.biBitCount = media::readLE16(p + 14);
    h.biCompression = media::readLE32(p + 16);
    h.biSizeImage = media::readLE32(p + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(media::readLE32(p + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(media::readLE32(p + 28));
    h.biClrUsed = media::readLE32(p + 32);
    h.biClrImportant = media::readLE32(p + 36);
    return h;
}

media::BitmapInfoHeader outputHeader(int width, int height, int bitCount)
{
    media::BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<uint16_t>(bitCount);
    h.biSizeImage = static_cast<uint32_t>(media::dibRowSize(bitCount, width) * height);
    return h;
}

std::unique_ptr<FrameDecoder> makeFrameDecoder(const FormatBytes& format, std::string* why)
{
    const media::BitmapInfoHeader h = parseBitmapInfoHeader(format);
    for (const DecoderEntry& entry : kDecoders)
        if (entry.compression == h.biCompression)
            return entry.make(format, why);
    if (why)
        *why = "no decoder for compression '" + fourCCText(h.biCompression) + "'";
    return nullptr;
}

} // namespace avi::detail
