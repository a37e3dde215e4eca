// Saturn Cinepak frame repacking: a checking pass over the headers, then the copy.
#include "film/Repack.h"

#include "media/ByteOrder.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t kFrameHeaderSize = 10;
constexpr uint32_t kSaturnFrameHeaderSize = 12;
constexpr uint32_t kStripHeaderSize = 12;
constexpr uint32_t kChunkHeaderSize = 4;
constexpr uint32_t kChunksPerStrip = 3;
constexpr uint32_t kMax24 = 0xFFFFFF;
constexpr uint32_t kMaxChunkSize = kMax24 - 3; // the largest size whose padded size fits

uint32_t PaddedSize(uint32_t size) { return (size + 3) & ~uint32_t{3}; }

[[noreturn]] void Reject(const std::string& reason)
{
    throw FilmFormatError("malformed Cinepak frame: " + reason);
}

std::string At(uint32_t strip, uint32_t offset)
{
    return " (strip " + std::to_string(strip) + ", byte " + std::to_string(offset) + ")";
}

} // namespace

uint32_t RepackedLength(const uint8_t* frame, uint32_t n)
{
    if (frame == nullptr) {
        Reject("no frame bytes");
    }
    if (n < kFrameHeaderSize) {
        Reject(std::to_string(n) + " bytes, shorter than the 10-byte frame header");
    }
    const uint32_t strips = media::readBE16(frame + 8);
    uint32_t r = kFrameHeaderSize;
    uint64_t padding = 0;
    for (uint32_t k = 0; k < strips; ++k) {
        if (n - r < kStripHeaderSize) {
            Reject("strip header runs past the end of the frame" + At(k, r));
        }
        const uint32_t stripSize = media::readBE24(frame + r + 1);
        r += kStripHeaderSize;
        uint32_t stripPadding = 0;
        for (uint32_t c = 0; c < kChunksPerStrip; ++c) {
            if (n - r < kChunkHeaderSize) {
                Reject("chunk header runs past the end of the frame" + At(k, r));
            }
            const uint32_t size = media::readBE24(frame + r + 1);
            if (size < kChunkHeaderSize) {
                Reject("chunk size " + std::to_string(size) + " below 4" + At(k, r));
            }
            if (size > n - r) {
                Reject("chunk of " + std::to_string(size) + " bytes runs past the end of the frame" +
                       At(k, r));
            }
            if (size > kMaxChunkSize) {
                Reject("padded chunk size beyond 24 bits" + At(k, r));
            }
            stripPadding += PaddedSize(size) - size;
            r += size;
        }
        if (stripSize + stripPadding > kMax24) {
            Reject("padded strip size beyond 24 bits" + At(k, r));
        }
        padding += stripPadding;
    }
    if (r != n) {
        Reject(std::to_string(n - r) + " bytes after the last strip");
    }
    const uint64_t length = uint64_t{n} + padding + 2;
    if (length > UINT32_MAX) {
        Reject("repacked frame longer than 4 GiB");
    }
    return static_cast<uint32_t>(length);
}

uint32_t RepackFrame(const uint8_t* frame, uint32_t n, uint8_t* buffer, size_t bufferSize)
{
    const uint32_t length = RepackedLength(frame, n);
    if (buffer == nullptr || bufferSize < length) {
        throw FilmFormatError("repacking buffer of " + std::to_string(bufferSize) +
                              " bytes cannot hold the " + std::to_string(length) +
                              "-byte repacked frame");
    }
    // The checking pass guarantees every read and write below stays in bounds.
    media::writeBE32(buffer, length - 8);
    std::memcpy(buffer + 4, frame + 4, 6);
    buffer[10] = 0;
    buffer[11] = 0;
    const uint32_t strips = media::readBE16(frame + 8);
    size_t r = kFrameHeaderSize;
    size_t w = kSaturnFrameHeaderSize;
    for (uint32_t k = 0; k < strips; ++k) {
        const uint32_t stripWord = media::readBE32(frame + r);
        std::memcpy(buffer + w, frame + r, kStripHeaderSize);
        const size_t stripHeader = w;
        r += kStripHeaderSize;
        w += kStripHeaderSize;
        uint32_t stripPadding = 0;
        for (uint32_t c = 0; c < kChunksPerStrip; ++c) {
            const uint32_t chunkWord = media::readBE32(frame + r);
            const uint32_t size = chunkWord & kMax24;
            const uint32_t padded = PaddedSize(size);
            media::writeBE32(buffer + w, (chunkWord & ~kMax24) | padded);
            std::memcpy(buffer + w + kChunkHeaderSize, frame + r + kChunkHeaderSize,
                        size - kChunkHeaderSize);
            std::memset(buffer + w + size, 0, padded - size);
            r += size;
            w += padded;
            stripPadding += padded - size;
        }
        media::writeBE32(buffer + stripHeader, stripWord + stripPadding);
    }
    return length;
}
