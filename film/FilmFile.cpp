// The FILM writer: header and table bookkeeping, frame appending with sound interleaving.
#include "film/FilmFile.h"

#include "film/Repack.h"
#include "film/SoundLayout.h"
#include "film/SoundPlan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSoundRate22050 = 22050u << 16;
constexpr uint8_t kVideoDepth = 24;
constexpr uint32_t kMaxSampleRate = 0xFFFF; // the descriptor keeps whole hertz in 16 bits

[[noreturn]] void Refuse(const std::string& reason)
{
    throw FilmFormatError("cannot write this movie as FILM: " + reason);
}

void CheckSoundFormat(const media::WaveFormatEx& format)
{
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) {
        Refuse("sound of " + std::to_string(format.wBitsPerSample) +
               " bits per sample (only 8 and 16 are possible)");
    }
    if (format.nChannels != 1 && format.nChannels != 2) {
        Refuse("sound with " + std::to_string(format.nChannels) +
               " channels (only mono and stereo are possible)");
    }
    if (format.nSamplesPerSec > kMaxSampleRate) {
        Refuse("sound of " + std::to_string(format.nSamplesPerSec) +
               " samples per second (at most 65535 are possible)");
    }
    const uint64_t bytesPerSecond =
        uint64_t{format.nSamplesPerSec} * format.nChannels * format.wBitsPerSample / 8;
    if (bytesPerSecond < 16) {
        Refuse("sound of " + std::to_string(format.nSamplesPerSec) +
               " samples per second fills less than 4 bytes a quarter second");
    }
}

} // namespace

// A writer that is used without InitHeader still writes valid signatures.
CFilmFile::CFilmFile() { InitHeader(); }

CFilmFile::~CFilmFile() = default;

void CFilmFile::InitHeader()
{
    m_header = FilmHeader{{'F', 'I', 'L', 'M'}, 0, {'1', '.', '0', '8'}, 0};
    m_fdsc = FdscChunk{{'F', 'D', 'S', 'C'}, kFdscChunkSize, {'c', 'v', 'i', 'd'}, 0, 0, 0,
                       1, 8, 0, kSoundRate22050, 0};
    m_stab = StabChunk{{'S', 'T', 'A', 'B'}, 0, kFilmTimeBase, 0};
    m_nNextSample = 0;
    m_nVideoTime = 0;
    m_nAudioLead = 0;
    m_nAudioLeft = 0;
    m_pSamples.reset();
    m_nFrames = 0;
    m_nFramesWritten = 0;
    m_nDataEnd = 0;
}

void CFilmFile::SetVideoInfo(uint32_t frames, uint32_t rate, uint32_t scale,
                             const media::BitmapInfoHeader& format)
{
    if (rate == 0) {
        Refuse("the video rate is 0");
    }
    if (uint64_t{m_stab.entryCount} + frames > kMaxSampleEntries) {
        Refuse(std::to_string(frames) + " frames do not fit in the sample table");
    }
    // Start times are 32-bit tick counts: the whole movie must fit in them
    // (the frame count is below 2^28 here, so the product cannot overflow).
    const uint64_t ticks = FrameDuration(rate, scale);
    if (ticks > UINT32_MAX || (uint64_t{m_nFrames} + frames) * ticks > UINT32_MAX) {
        Refuse(std::to_string(frames) + " frames of " + std::to_string(scale) + "/" +
               std::to_string(rate) + " seconds last beyond the 32-bit tick count");
    }
    m_fdsc.height = format.biHeight;
    m_fdsc.width = format.biWidth;
    m_nRate = rate;
    m_nScale = scale;
    m_stab.entryCount += frames;
    m_nFrames += frames;
}

void CFilmFile::SetAudioInfo(uint32_t length, const media::WaveFormatEx& format)
{
    if (length == 0) {
        m_fdsc.soundChannels = 0;
        m_fdsc.soundSampleBits = 0;
        m_fdsc.soundCompression = 0;
        m_fdsc.soundRate = 0;
        m_fdsc.videoDepth = kVideoDepth;
        return;
    }
    CheckSoundFormat(format);
    const uint32_t frameBytes = (uint32_t{format.wBitsPerSample} * format.nChannels) / 8;
    const uint32_t quarter = (frameBytes * format.nSamplesPerSec) / 4;
    // The first chunk counts as two quarter seconds, every further chunk as one.
    const uint64_t chunks = (uint64_t{length} + quarter - 1) / quarter - 1;
    if (m_stab.entryCount + chunks > kMaxSampleEntries) {
        Refuse("the sound needs more sound chunks than the sample table can hold");
    }
    m_stab.entryCount += static_cast<uint32_t>(chunks);
    m_fdsc.videoDepth = kVideoDepth;
    m_fdsc.soundChannels = static_cast<uint8_t>(format.nChannels);
    m_fdsc.soundSampleBits = static_cast<uint8_t>(format.wBitsPerSample);
    m_fdsc.soundCompression = 0;
    m_fdsc.soundRate = format.nSamplesPerSec << 16;
    m_nAudioLeft = length;
}

uint32_t CFilmFile::FrameTicks() const
{
    return static_cast<uint32_t>(FrameDuration(m_nRate, m_nScale));
}

// The count fixed by SetVideoInfo and SetAudioInfo assumes chunks of exactly a quarter
// second. Where the real chunks are shorter, or the sound fits in the first chunk, the
// interleaving places more entries than that; raise the count so that all are listed.
void CFilmFile::FixPlannedCount()
{
    InterleavePlan plan; // frames are only announced with a valid rate
    plan.frames = m_nFrames;
    plan.frameDuration = m_nFrames > 0 ? FrameTicks() : 0;
    plan.sound = HasSound();
    plan.soundLength = m_nAudioLeft;
    plan.firstChunk = FirstChunkLength(m_fdsc);
    plan.chunk = ChunkLength(m_fdsc);
    if (plan.sound && plan.soundLength > plan.firstChunk && plan.chunk == 0) {
        Refuse("a sound chunk would hold 0 bytes");
    }
    const uint64_t placed = CountPlacedEntries(plan, kMaxSampleEntries);
    if (placed > kMaxSampleEntries) {
        Refuse("the movie needs more entries than the sample table can hold");
    }
    m_stab.entryCount = std::max(m_stab.entryCount, static_cast<uint32_t>(placed));
}

void CFilmFile::WriteHeader()
{
    FixPlannedCount();
    const uint32_t count = m_stab.entryCount;
    // The spare entry after the planned ones is never written.
    m_pSamples = std::make_unique<SampleEntry[]>(size_t{count} + 1);
    m_stab.chunkLength = static_cast<uint32_t>(kSampleEntrySize * (uint64_t{count} + 1));
    m_header.headerLength = m_stab.chunkLength + kFilmHeaderSize + kFdscChunkSize;

    std::array<uint8_t, kFilmHeaderSize> header{};
    StoreFilmHeader(m_header, header.data());
    Write(header.data(), header.size());
    std::array<uint8_t, kFdscChunkSize> fdsc{};
    StoreFdscChunk(m_fdsc, fdsc.data());
    Write(fdsc.data(), fdsc.size());
    std::array<uint8_t, kStabChunkSize> stab{};
    StoreStabChunk(m_stab, stab.data());
    Write(stab.data(), stab.size());

    m_nTablePos = GetPosition();
    Write(m_pSamples.get(), static_cast<uint32_t>(kSampleEntrySize * count)); // all zeros
    m_nDataEnd = 0;
    if (HasSound()) {
        const uint32_t first = FirstChunkLength(m_fdsc);
        m_pSamples[0] = SampleEntry{0, first, kSoundChunkTimestamp, kSoundChunkDuration};
        m_nNextSample = 1;
        m_nAudioLead = kLeadStart;
        m_nAudioLeft -= std::min(m_nAudioLeft, first);
        m_nDataEnd = first;
        AppendZeros(first);
    }
}

void CFilmFile::CheckDataEnd(uint64_t length) const
{
    if (m_nDataEnd + length > UINT32_MAX) {
        Refuse("the movie data grows beyond 4 GiB");
    }
}

void CFilmFile::AppendZeros(uint32_t count)
{
    const std::vector<uint8_t> zeros(count);
    Write(zeros.data(), count);
}

void CFilmFile::WriteVideoFrame(const uint8_t* frame, uint32_t size)
{
    if (!m_pSamples) {
        throw std::logic_error("CFilmFile: WriteVideoFrame outside WriteHeader..WriteSampleTable");
    }
    if (m_nFramesWritten >= m_nFrames || m_nNextSample >= m_stab.entryCount) {
        throw std::logic_error("CFilmFile: more frames than announced to SetVideoInfo");
    }
    uint32_t length = 0;
    {
        const size_t bufferSize = 2 * size_t{size};
        auto buffer = std::make_unique_for_overwrite<uint8_t[]>(bufferSize);
        length = RepackFrame(frame, size, buffer.get(), bufferSize);
        CheckDataEnd(length);
        Write(buffer.get(), length);
    }
    const uint32_t ticks = FrameTicks();
    m_pSamples[m_nNextSample] =
        SampleEntry{static_cast<uint32_t>(m_nDataEnd), length, m_nVideoTime, ticks};
    m_nDataEnd += length;
    m_nVideoTime += ticks;
    ++m_nNextSample;
    ++m_nFramesWritten;

    if (!HasSound() || m_nAudioLeft == 0) {
        return;
    }
    m_nAudioLead -= ticks;
    // The planned count lists every chunk; a chunk without an entry is never placed.
    if (m_nAudioLead > kLeadRefill || m_nNextSample >= m_stab.entryCount) {
        return;
    }
    AppendSoundChunk();
}

void CFilmFile::AppendSoundChunk()
{
    const uint32_t chunk = ChunkLength(m_fdsc);
    CheckDataEnd(chunk);
    m_pSamples[m_nNextSample] = SampleEntry{static_cast<uint32_t>(m_nDataEnd), chunk,
                                            kSoundChunkTimestamp, kSoundChunkDuration};
    m_nAudioLeft -= std::min(m_nAudioLeft, chunk);
    AppendZeros(chunk);
    m_nDataEnd += chunk;
    m_nAudioLead += kLeadPerChunk;
    ++m_nNextSample;
}

void CFilmFile::WriteAudio(uint8_t* sound, uint32_t length)
{
    if (!HasSound() || length == 0) {
        return;
    }
    if (!m_pSamples) {
        throw std::logic_error("CFilmFile: WriteAudio outside WriteHeader..WriteSampleTable");
    }
    if (sound == nullptr) {
        throw std::invalid_argument("CFilmFile: WriteAudio without sound bytes");
    }
    const unsigned channels = m_fdsc.soundChannels;
    const unsigned sampleBytes = m_fdsc.soundSampleBits / 8u;
    const size_t frameBytes = size_t{channels} * sampleBytes;
    ConvertSamples(sound, length, m_fdsc.soundSampleBits);

    // Only whole sample frames are written; a partial one at the end would mix channels.
    const size_t usable = length - length % frameBytes;
    std::vector<uint8_t> chunk;
    uint64_t position = m_nTablePos + kSampleEntrySize * uint64_t{m_stab.entryCount};
    size_t done = 0;
    for (uint32_t i = 0; i < m_nNextSample && done < usable; ++i) {
        const SampleEntry& entry = m_pSamples[i];
        if (entry.timestamp == kSoundChunkTimestamp) {
            chunk.resize(entry.length);
            FillSoundChunk(sound + done, usable - done, channels, sampleBytes, chunk.data(),
                           chunk.size());
            Seek(static_cast<int64_t>(position), begin);
            Write(chunk.data(), entry.length);
            done += std::min<size_t>(entry.length, usable - done);
        }
        position += entry.length;
    }
}

void CFilmFile::WriteSampleTable()
{
    if (!m_pSamples) {
        throw std::logic_error("CFilmFile: WriteSampleTable without a table (WriteHeader first)");
    }
    const uint32_t count = m_stab.entryCount;
    std::vector<uint8_t> table(kSampleEntrySize * size_t{count});
    for (uint32_t i = 0; i < count; ++i) {
        StoreSampleEntry(m_pSamples[i], table.data() + kSampleEntrySize * i);
    }
    Seek(static_cast<int64_t>(m_nTablePos), begin);
    Write(table.data(), static_cast<uint32_t>(table.size()));
    m_pSamples.reset();
}
