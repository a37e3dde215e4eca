#include "FilmTestSupport.h"

#include "film/FilmFile.h"
#include "film/Repack.h"
#include "media/ByteOrder.h"

#include <gtest/gtest.h>

namespace filmtest {

namespace {

void PutChunk(std::vector<uint8_t>& f, uint8_t id, uint32_t size, uint8_t fill)
{
    const size_t at = f.size();
    f.resize(at + size, fill);
    media::writeBE32(f.data() + at, (uint32_t{id} << 24) | size);
}

std::vector<uint8_t> OneStripFrame(uint16_t width, uint16_t height, const uint32_t sizes[3],
                                   const uint8_t ids[3], uint8_t fill)
{
    std::vector<uint8_t> f(22, 0);
    media::writeBE16(f.data() + 4, width);
    media::writeBE16(f.data() + 6, height);
    media::writeBE16(f.data() + 8, 1);
    media::writeBE16(f.data() + 18, height); // strip: top 0, left 0, height, width
    media::writeBE16(f.data() + 20, width);
    for (int i = 0; i < 3; ++i) {
        PutChunk(f, ids[i], sizes[i], fill);
    }
    media::writeBE32(f.data() + 10, 0x10000000u | static_cast<uint32_t>(f.size() - 10));
    media::writeBE32(f.data(), static_cast<uint32_t>(f.size()));
    return f;
}

} // namespace

std::vector<uint8_t> TestFrame(uint32_t index)
{
    const uint32_t sizes[3] = {4 + index % 7 * 6, 5 + index % 3, 13 + index % 11};
    const uint8_t ids[3] = {0x20, 0x22, 0x30};
    return OneStripFrame(320, 224, sizes, ids, static_cast<uint8_t>(0x41 + index % 50));
}

std::vector<uint8_t> KeyFrame(uint16_t width, uint16_t height, uint8_t luma)
{
    const uint32_t blocks = uint32_t{width} / 4 * (height / 4);
    const uint32_t sizes[3] = {4, 10, 4 + blocks};
    const uint8_t ids[3] = {0x20, 0x22, 0x32};
    std::vector<uint8_t> f = OneStripFrame(width, height, sizes, ids, 0);
    // The V1 book's one entry: four luminance values and zero colour differences.
    const size_t entry = 22 + 4 + 4;
    for (size_t i = 0; i < 4; ++i) {
        f[entry + i] = luma;
    }
    return f;
}

ParsedFilm ParseFilm(std::vector<uint8_t> bytes)
{
    ParsedFilm film;
    film.bytes = std::move(bytes);
    if (film.bytes.size() < 64) {
        ADD_FAILURE() << "file of " << film.bytes.size() << " bytes";
        return film;
    }
    const uint8_t* b = film.bytes.data();
    film.headerLength = media::readBE32(b + 4);
    film.stabLength = media::readBE32(b + 52);
    film.count = media::readBE32(b + 60);
    EXPECT_EQ(film.headerLength, 64 + 16 * uint64_t{film.count});
    EXPECT_EQ(film.stabLength, 16 + 16 * uint64_t{film.count});
    EXPECT_GE(film.bytes.size(), film.headerLength);
    for (uint32_t i = 0; i < film.count && 64 + 16 * (i + 1) <= film.bytes.size(); ++i) {
        film.entries.push_back(LoadSampleEntry(b + 64 + 16 * i));
    }
    return film;
}

std::vector<uint8_t> TestSound(uint32_t length)
{
    std::vector<uint8_t> sound(length);
    for (uint32_t i = 0; i < length; ++i) {
        sound[i] = static_cast<uint8_t>(i * 37 + 11 + i / 251);
    }
    return sound;
}

WrittenMovie WriteMovie(const std::string& path, const MovieParams& params)
{
    WrittenMovie movie;
    movie.sound = TestSound(params.soundLength);
    CFilmFile writer;
    EXPECT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
    writer.InitHeader();
    media::BitmapInfoHeader video;
    video.biWidth = params.width;
    video.biHeight = params.height;
    writer.SetVideoInfo(params.frames, params.rate, params.scale, video);
    media::WaveFormatEx wave;
    wave.wFormatTag = media::kWaveFormatPcm;
    wave.nChannels = params.channels;
    wave.nSamplesPerSec = params.sampleRate;
    wave.wBitsPerSample = params.bits;
    writer.SetAudioInfo(params.soundLength, wave);
    const uint32_t quarter = params.channels * params.bits / 8 * params.sampleRate / 4;
    movie.expectedCountOfPlan =
        params.frames + (params.soundLength ? (params.soundLength + quarter - 1) / quarter - 1 : 0);
    writer.WriteHeader();
    const uint32_t toWrite = params.framesToWrite < 0 ? params.frames : static_cast<uint32_t>(params.framesToWrite);
    for (uint32_t i = 0; i < toWrite; ++i) {
        movie.frames.push_back(params.decodableFrames
                                   ? KeyFrame(params.width, params.height, static_cast<uint8_t>(16 + i * 8))
                                   : TestFrame(i));
        writer.WriteVideoFrame(movie.frames.back().data(), static_cast<uint32_t>(movie.frames.back().size()));
    }
    if (params.writeAudio) {
        std::vector<uint8_t> buffer = movie.sound;
        writer.WriteAudio(buffer.data(), static_cast<uint32_t>(buffer.size()));
    }
    writer.WriteSampleTable();
    writer.Close();
    movie.film = ParseFilm(testsupport::readFileBytes(path));
    return movie;
}

namespace {

// The FILM form of the sound as one stream of chunk bytes, built sample by sample.
std::vector<uint8_t> ExpectedChunk(const std::vector<uint8_t>& sound, size_t from, size_t length,
                                   const MovieParams& params)
{
    const size_t sampleBytes = params.bits / 8;
    const size_t frameBytes = sampleBytes * params.channels;
    const size_t usable = sound.size() / frameBytes * frameBytes;
    std::vector<uint8_t> chunk(length, 0);
    const size_t framesInChunk = length / frameBytes;
    for (size_t f = 0; f < framesInChunk && from + (f + 1) * frameBytes <= usable; ++f) {
        for (size_t c = 0; c < params.channels; ++c) {
            const uint8_t* in = sound.data() + from + f * frameBytes + c * sampleBytes;
            uint8_t* out = chunk.data() + c * (length / params.channels) + f * sampleBytes;
            if (sampleBytes == 1) {
                out[0] = static_cast<uint8_t>(in[0] ^ 0x80);
            } else {
                out[0] = in[1];
                out[1] = in[0];
            }
        }
    }
    return chunk;
}

} // namespace

void ExpectConsistent(const WrittenMovie& movie, const MovieParams& params)
{
    const ParsedFilm& film = movie.film;
    uint64_t offset = 0;
    uint32_t time = 0;
    size_t frame = 0;
    size_t soundPos = 0;
    bool filled = true;
    for (size_t i = 0; i < film.entries.size(); ++i) {
        const SampleEntry& e = film.entries[i];
        // A listed sample is never empty: frames have 12 bytes or more, chunks 4 or more.
        if (e.length == 0) {
            EXPECT_TRUE(e.offset == 0 && e.timestamp == 0 && e.duration == 0) << "entry " << i;
            filled = false;
            continue;
        }
        ASSERT_TRUE(filled) << "entry " << i << " follows an unfilled entry";
        ASSERT_EQ(e.offset, offset) << "entry " << i;
        ASSERT_LE(uint64_t{e.offset} + e.length, film.DataSize()) << "entry " << i;
        if (e.timestamp == kSoundChunkTimestamp) {
            EXPECT_EQ(e.duration, 1u);
            std::vector<uint8_t> expected(e.length, 0);
            if (params.writeAudio && soundPos < movie.sound.size()) {
                expected = ExpectedChunk(movie.sound, soundPos, e.length, params);
            }
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), film.Data(e)))
                << "sound chunk at entry " << i;
            soundPos += e.length;
        } else {
            ASSERT_LT(frame, movie.frames.size()) << "entry " << i;
            const std::vector<uint8_t>& in = movie.frames[frame];
            std::vector<uint8_t> repacked(2 * in.size());
            repacked.resize(RepackFrame(in.data(), static_cast<uint32_t>(in.size()), repacked.data(), repacked.size()));
            EXPECT_EQ(e.length, repacked.size()) << "entry " << i;
            EXPECT_TRUE(std::equal(repacked.begin(), repacked.end(), film.Data(e))) << "frame at entry " << i;
            EXPECT_EQ(e.timestamp, time) << "entry " << i;
            time += e.duration;
            ++frame;
        }
        offset += e.length;
    }
    EXPECT_EQ(frame, movie.frames.size()) << "frames listed";
    // Every byte of the data area belongs to a listed entry.
    EXPECT_EQ(offset, film.DataSize());
}

std::string Pattern(const ParsedFilm& film)
{
    std::string s;
    for (const SampleEntry& e : film.entries) {
        if (e.timestamp == kSoundChunkTimestamp) {
            s += 'A';
        } else if (e.length == 0) {
            s += '.';
        } else {
            s += 'V';
        }
    }
    return s;
}

} // namespace filmtest
