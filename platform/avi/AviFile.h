// Reading AVI movies: RIFF 'AVI ' files with their OpenDML (AVI 2.0) extensions.
// Stands in for the system's AVI file services: open a file, find its first stream of a
// type, read a stream's format and header, get decoded frames, read sound samples.
//
// Nothing here throws for bad input: a file that cannot be read as a movie gives no
// File (with the reason), a frame that cannot be had gives no frame (with the reason).
// None of these objects may be shared between threads without a lock.
#pragma once

#include "media/MediaTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace avi {

// Decoded frames of one video stream.
class FrameAccess {
public:
    virtual ~FrameAccess() = default;

    // Frame n, numbered as the stream numbers them (start() .. start() + length() - 1),
    // as a packed DIB: the 40-byte media::BitmapInfoHeader followed at once by the pixel
    // rows, bottom row first, rows padded to 4 bytes. Uncompressed 16-, 24- and 32-bit
    // streams deliver frames of their own depth (16-bit always as 5-5-5); palettised
    // and Cinepak streams deliver 24-bit frames. Every frame of a stream has the same
    // header. Returns nullptr when the frame is missing or damaged; error() says why.
    // The memory belongs to this object and stays valid until the next call.
    virtual const uint8_t* getFrame(int32_t n) = 0;
    virtual const std::string& error() const = 0;
};

class Stream {
public:
    virtual ~Stream() = default;

    // The stream's format ('strf'), cut to at most size bytes; returns the bytes copied.
    // Video: a BITMAPINFOHEADER (40 bytes, then any palette); sound: a WAVEFORMATEX.
    virtual size_t readFormat(void* dst, size_t size) const = 0;
    // Parsed forms of the same format; zeros where the format is shorter.
    virtual media::BitmapInfoHeader videoFormat() const = 0;
    virtual media::WaveFormatEx soundFormat() const = 0;

    virtual const media::AviStreamInfo& info() const = 0;
    virtual int32_t start() const = 0;  // first frame or sample (dwStart)
    virtual int32_t length() const = 0; // frames or samples (dwLength)

    // Frame access on a video stream, or nullptr when its frames cannot be decoded
    // (an unsupported compression; *why, if given, names it).
    virtual std::unique_ptr<FrameAccess> openFrames(std::string* why = nullptr) const = 0;

    // Reads count samples (a sample is nBlockAlign bytes) from sample first, numbered
    // from start(), into buffer of bufferSize bytes. Delivers as many whole samples as
    // are stored, fit and were asked for; *bytesRead gets their byte count. Returns false
    // when nothing could be read because of an error (error() says why).
    virtual bool read(int32_t first, int32_t count, void* buffer, size_t bufferSize,
                      int32_t* bytesRead) const = 0;
    virtual const std::string& error() const = 0;
};

class File {
public:
    virtual ~File() = default;

    // Opens path read-only. Returns nullptr, with the reason in *error, when the file
    // cannot be read or is not an AVI movie.
    static std::unique_ptr<File> open(const std::string& path, std::string* error);
    // The same over bytes in memory (tests and fuzzing).
    static std::unique_ptr<File> openMemory(std::vector<uint8_t> bytes, std::string* error);

    // The index-th stream of a type (media::kFourCCVids, media::kFourCCAuds), or nullptr.
    // Streams belong to the file.
    virtual const Stream* stream(uint32_t type, int index = 0) const = 0;
};

} // namespace avi
