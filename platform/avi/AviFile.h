// Reading AVI movies: RIFF 'AVI ' files with their OpenDML (AVI 2.0) extensions.
// Stands in for the system's AVI file services: open a file, find its first stream of a
// type, read a stream's format and header, get decoded frames, read sound samples.
//
// Nothing here throws for bad input: a file that cannot be read as a movie gives no
// File (with the reason), a frame that cannot be had gives no frame (with the reason).
// Every reason starts with the file's path.
//
// What opening checks, so that callers can trust the figures: every chunk size against
// its parent; video frames 1..8192 pixels wide and high (height negative for top-down);
// dwRate and dwScale not 0 for video and sound; a sound block size (nBlockAlign) not 0;
// start + length within signed 32 bits. Chunks are found through the OpenDML indexes,
// else idx1 (offsets from 'movi' or from the file start), else by walking 'movi'; an
// index that points anywhere but at its stream's chunks is not used. A truncated file
// opens with what it holds: the headers still give the full length, and frames or
// samples that are not stored are reported missing (no frame; fewer bytes read).
//
// None of these objects may be shared between threads without a lock. Streams and frame
// access keep what they need of the file alive, so they may outlive the File.
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
    // (1-, 4-, 8-bit) and Cinepak streams deliver 24-bit frames. Every frame of a stream
    // has the same header: biWidth and biHeight of the stream's format (biHeight
    // positive), biCompression BI_RGB, biSizeImage the size of the rows; so a frame never
    // holds more than a buffer sized from the stream's format at the delivered depth.
    // Returns nullptr when the frame is missing or damaged; error() says why.
    // The memory belongs to this object and stays valid until the next call.
    //
    // Frames asked for in order are decoded once each; any other frame is decoded
    // forward from the nearest key frame at or before it (the index marks key frames;
    // without an index, from the first frame). A stored chunk of 0 bytes repeats the
    // frame before it.
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

    // The stream header. For sound, dwSampleSize is always nBlockAlign and dwLength counts
    // such samples: a header that counted otherwise (dwSampleSize 0, or another sample
    // size) is restated from the stored bytes or its own figures.
    virtual const media::AviStreamInfo& info() const = 0;
    virtual int32_t start() const = 0;  // first frame or sample (dwStart)
    virtual int32_t length() const = 0; // frames or samples (dwLength)

    // Frame access on a video stream, or nullptr when its frames cannot be decoded
    // (an unsupported compression; *why, if given, names it).
    virtual std::unique_ptr<FrameAccess> openFrames(std::string* why = nullptr) const = 0;

    // Reads count samples (a sample is nBlockAlign bytes) from sample first, numbered
    // from start(), into buffer of bufferSize bytes. Delivers as many whole samples as
    // are stored, fit and were asked for; *bytesRead gets their byte count (0 past the
    // end). Returns false when nothing could be read because of an error: not a sound
    // stream, first before start(), a negative count, a read failure (error() says why).
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
