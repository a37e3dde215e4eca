// Records shared by the AVI reader, the Cinepak codec, the FILM writer and the job:
// the bitmap information header that leads every frame buffer, the wave format of a
// sound stream, and an AVI stream header. Field names follow the AVI file format.
// All three are stored little-endian in AVI files; in memory they are host order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace media {

constexpr uint32_t makeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t kFourCCVids = makeFourCC('v', 'i', 'd', 's');
constexpr uint32_t kFourCCAuds = makeFourCC('a', 'u', 'd', 's');
constexpr uint32_t kFourCCCvid = makeFourCC('c', 'v', 'i', 'd');

constexpr uint32_t kBiRgb = 0;       // uncompressed
constexpr uint32_t kBiBitfields = 3; // uncompressed with colour masks (16-bit 5-6-5)

// The 40-byte header in front of every frame buffer (a device-independent bitmap).
// A positive height means the rows are stored bottom row first.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = kBiRgb;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// The header followed by one 4-byte colour entry (44 bytes), as the job keeps formats.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    uint8_t bmiColors[4] = {0, 0, 0, 0};
};
static_assert(sizeof(BitmapInfo) == 44);

constexpr uint16_t kWaveFormatPcm = 1;

// The wave format of a sound stream. In a file it is 18 bytes without padding
// (kWaveFormatExSize); in memory the compiler pads this struct, so parse it field by field.
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
constexpr size_t kWaveFormatExSize = 18;

struct RectL {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The 140-byte stream header record (the AVI 'strh' chunk plus the stream's edit and
// format counts and its name).
struct AviStreamInfo {
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    uint16_t wPriority = 0;
    uint16_t wLanguage = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwStart = 0;
    uint32_t dwLength = 0;
    uint32_t dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 0;
    uint32_t dwSampleSize = 0;
    RectL rcFrame;
    uint32_t dwEditCount = 0;
    uint32_t dwFormatChangeCount = 0;
    char szName[64] = {};
};
static_assert(sizeof(AviStreamInfo) == 140);

// Bytes of one stored row of a DIB: rows are padded to a multiple of 4 bytes.
// Computed in 64 bits so that absurd headers cannot overflow; callers bound the result.
constexpr int64_t dibRowSize(int64_t bitCount, int64_t width)
{
    return ((bitCount * width + 31) & ~int64_t{31}) / 8;
}

} // namespace media
