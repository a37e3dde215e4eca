// Byte order of the FILM records.
#include "film/FilmRecords.h"

#include "media/ByteOrder.h"

#include <cstring>
#include <utility>

void SwapLong(uint32_t* value)
{
    auto* b = reinterpret_cast<uint8_t*>(value);
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
}

void SwapShort(uint16_t* value)
{
    auto* b = reinterpret_cast<uint8_t*>(value);
    std::swap(b[0], b[1]);
}

// The signature fields are characters in reading order and are copied as they are.
void StoreFilmHeader(const FilmHeader& header, uint8_t* out)
{
    std::memcpy(out, header.signature, 4);
    media::writeBE32(out + 4, header.headerLength);
    std::memcpy(out + 8, header.version, 4);
    media::writeBE32(out + 12, header.reserved);
}

void StoreFdscChunk(const FdscChunk& fdsc, uint8_t* out)
{
    std::memcpy(out, fdsc.signature, 4);
    media::writeBE32(out + 4, fdsc.chunkLength);
    std::memcpy(out + 8, fdsc.videoCodec, 4);
    media::writeBE32(out + 12, static_cast<uint32_t>(fdsc.height));
    media::writeBE32(out + 16, static_cast<uint32_t>(fdsc.width));
    out[20] = fdsc.videoDepth;
    out[21] = fdsc.soundChannels;
    out[22] = fdsc.soundSampleBits;
    out[23] = fdsc.soundCompression;
    media::writeBE32(out + 24, fdsc.soundRate);
    media::writeBE32(out + 28, fdsc.reserved);
}

void StoreStabChunk(const StabChunk& stab, uint8_t* out)
{
    std::memcpy(out, stab.signature, 4);
    media::writeBE32(out + 4, stab.chunkLength);
    media::writeBE32(out + 8, stab.timeBase);
    media::writeBE32(out + 12, stab.entryCount);
}

void StoreSampleEntry(const SampleEntry& entry, uint8_t* out)
{
    media::writeBE32(out, entry.offset);
    media::writeBE32(out + 4, entry.length);
    media::writeBE32(out + 8, entry.timestamp);
    media::writeBE32(out + 12, entry.duration);
}

SampleEntry LoadSampleEntry(const uint8_t* in)
{
    return {media::readBE32(in), media::readBE32(in + 4), media::readBE32(in + 8),
            media::readBE32(in + 12)};
}
