// CFilmFile writes one Saturn FILM movie in a single pass over a freshly created file:
// header, a placeholder sample table, then the repacked Cinepak frames with sound chunks
// reserved (as zero bytes) between them so that the sound keeps about half a second ahead
// of the picture. When the movie is finished the whole sound is written into the reserved
// chunks and the table over its placeholder.
//
// Use, per output file: Open (create, write) -> InitHeader -> SetVideoInfo -> SetAudioInfo
// -> WriteHeader -> WriteVideoFrame for each frame (at most the announced count; a stopped
// job writes fewer) -> WriteAudio (optional, after the last frame) -> WriteSampleTable ->
// Close. One writer may serve many files in turn.
//
// Failures: FilmFormatError for input the writer cannot represent: raised by SetVideoInfo,
// SetAudioInfo and WriteHeader before anything is written, and by WriteVideoFrame for a
// malformed frame (or data beyond 4 GiB) before that frame is written. CFileException when
// a write or seek fails; std::bad_alloc when memory runs out; std::logic_error for calls out
// of the order above. After a failure the file keeps what was written before it, and the
// writer releases its table at the next InitHeader or when destroyed.
#pragma once

#include <cstdint>
#include <memory>

#include "file/File.h"
#include "film/FilmFormatError.h"
#include "film/FilmRecords.h"
#include "media/MediaTypes.h"

class CFilmFile : public CFile {
public:
    CFilmFile();
    ~CFilmFile() override;

    // Resets the header records and all per-movie state; releases a table left over.
    void InitHeader();
    // frames: the number of frames to come; rate/scale as in an AVI stream header (a frame
    // lasts scale / rate seconds); only width and height of format are read.
    void SetVideoInfo(uint32_t frames, uint32_t rate, uint32_t scale,
                      const media::BitmapInfoHeader& format);
    // length: the sound's size in bytes, 0 for a movie without sound. Sound must be PCM of
    // 8 or 16 bits, mono or stereo, below 65536 samples per second, at least 4 bytes a
    // quarter second; only channels, samples per second and bits per sample are read.
    void SetAudioInfo(uint32_t length, const media::WaveFormatEx& format);
    // Writes the header, the zeroed table and, with sound, the first (silent) sound chunk.
    void WriteHeader();
    // frame: one Cinepak frame of size bytes as the compressor writes it, only read.
    void WriteVideoFrame(const uint8_t* frame, uint32_t size);
    // sound: the whole sound as read from the AVI stream, length bytes; converted in place
    // to the FILM sample form, then written into the reserved chunks. Sound beyond the last
    // reserved chunk is not written.
    void WriteAudio(uint8_t* sound, uint32_t length);
    // Writes the table over its placeholder and releases it.
    void WriteSampleTable();

    // Read-only views for callers and tests.
    uint32_t GetNextSample() const { return m_nNextSample; }
    bool HasSound() const { return m_fdsc.soundChannels != 0; }
    const FdscChunk& GetFdsc() const { return m_fdsc; }

private:
    uint32_t FrameTicks() const;
    void FixPlannedCount();
    void AppendSoundChunk();
    void AppendZeros(uint32_t count);
    void CheckDataEnd(uint64_t length) const;

    uint32_t m_nNextSample = 0;   // index of the next table entry to fill
    uint32_t m_nVideoTime = 0;    // ticks of the frames written so far
    uint32_t m_nRate = 0;
    uint32_t m_nScale = 0;
    int64_t m_nAudioLead = 0;     // ticks of sound placed minus ticks of video written
    uint32_t m_nAudioLeft = 0;    // sound bytes not yet given a chunk
    uint64_t m_nTablePos = 0;     // file offset of the sample table
    FilmHeader m_header{};
    FdscChunk m_fdsc{};
    StabChunk m_stab{};
    std::unique_ptr<SampleEntry[]> m_pSamples; // planned count + 1 entries while writing

    uint32_t m_nFrames = 0;        // frames announced
    uint32_t m_nFramesWritten = 0;
    uint64_t m_nDataEnd = 0;       // bytes in the data area so far
};
