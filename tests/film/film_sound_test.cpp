#include "FilmTestSupport.h"

#include "film/FilmFile.h"

#include <gtest/gtest.h>

using namespace filmtest;

namespace {

struct SoundMovie {
    std::vector<uint8_t> buffer;           // the caller's sound buffer after WriteAudio
    std::vector<std::vector<uint8_t>> chunks; // the sound chunks in table order
};

// Three frames of one second each: a chunk follows every frame as long as sound is left.
SoundMovie WriteSound(const TempDir& dir, std::vector<uint8_t> sound, uint16_t channels,
                      uint16_t bits, uint32_t sampleRate, bool withSound = true)
{
    const std::string path = dir.file("sound.cpk").string();
    CFilmFile writer;
    EXPECT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
    writer.InitHeader();
    writer.SetVideoInfo(3, 1, 1, media::BitmapInfoHeader{});
    media::WaveFormatEx wave;
    wave.nChannels = channels;
    wave.wBitsPerSample = bits;
    wave.nSamplesPerSec = sampleRate;
    writer.SetAudioInfo(withSound ? static_cast<uint32_t>(sound.size()) : 0, wave);
    writer.WriteHeader();
    for (uint32_t i = 0; i < 3; ++i) {
        const std::vector<uint8_t> frame = TestFrame(i);
        writer.WriteVideoFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    }
    writer.WriteAudio(sound.data(), static_cast<uint32_t>(sound.size()));
    writer.WriteSampleTable();
    writer.Close();
    const ParsedFilm film = ParseFilm(testsupport::readFileBytes(path));
    SoundMovie movie{std::move(sound), {}};
    for (const SampleEntry& e : film.entries) {
        if (e.timestamp == kSoundChunkTimestamp) {
            movie.chunks.emplace_back(film.Data(e), film.Data(e) + e.length);
        }
    }
    return movie;
}

using Bytes = std::vector<uint8_t>;

TEST(FilmSound, EightBitMonoFlipsTheTopBitInTheCallersBuffer)
{
    TempDir dir;
    // 22050 Hz mono: chunks of 11024 and 5512 bytes; the sound ends inside the first.
    Bytes sound = {0x80, 0x00, 0xFF, 0x7F, 0x01};
    const SoundMovie movie = WriteSound(dir, sound, 1, 8, 22050);
    EXPECT_EQ(movie.buffer, (Bytes{0x00, 0x80, 0x7F, 0xFF, 0x81}));
    ASSERT_EQ(movie.chunks.size(), 1u);
    ASSERT_EQ(movie.chunks[0].size(), 11024u);
    EXPECT_EQ(Bytes(movie.chunks[0].begin(), movie.chunks[0].begin() + 6),
              (Bytes{0x00, 0x80, 0x7F, 0xFF, 0x81, 0x00}));

    const SoundMovie silent = WriteSound(dir, sound, 1, 8, 22050, false);
    EXPECT_EQ(silent.buffer, sound); // no sound: the buffer stays as it was
    EXPECT_TRUE(silent.chunks.empty());
}

TEST(FilmSound, StereoChunksHoldLeftThenRightHalves)
{
    TempDir dir;
    // 8-bit stereo at 16 Hz: chunks of 16 and 8 bytes (8 and 4 sample frames). 13 frames
    // and half of one: the half frame is not written, the last chunk's halves end in zeros.
    Bytes sound;
    for (uint8_t i = 0; i < 13; ++i) {
        sound.push_back(static_cast<uint8_t>(0x10 + i)); // left
        sound.push_back(static_cast<uint8_t>(0x40 + i)); // right
    }
    sound.push_back(0x77);
    const SoundMovie movie = WriteSound(dir, sound, 2, 8, 16);
    ASSERT_EQ(movie.chunks.size(), 3u);
    EXPECT_EQ(movie.chunks[0], (Bytes{0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
                                      0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7}));
    EXPECT_EQ(movie.chunks[1], (Bytes{0x98, 0x99, 0x9A, 0x9B, 0xC8, 0xC9, 0xCA, 0xCB}));
    EXPECT_EQ(movie.chunks[2], (Bytes{0x9C, 0, 0, 0, 0xCC, 0, 0, 0}));
}

TEST(FilmSound, SixteenBitSamplesBecomeBigEndianWithoutBitFlip)
{
    TempDir dir;
    // 16-bit stereo at 16 Hz: chunks of 32 and 16 bytes. Five frames, little-endian in.
    Bytes stereo;
    for (uint8_t i = 0; i < 5; ++i) {
        stereo.insert(stereo.end(), {static_cast<uint8_t>(0x80 + i), 0x11, static_cast<uint8_t>(i), 0xA2});
    }
    const SoundMovie movie = WriteSound(dir, stereo, 2, 16, 16);
    ASSERT_EQ(movie.chunks.size(), 1u);
    EXPECT_EQ(movie.chunks[0], (Bytes{0x11, 0x80, 0x11, 0x81, 0x11, 0x82, 0x11, 0x83, 0x11, 0x84, 0, 0, 0, 0, 0, 0,
                                      0xA2, 0x00, 0xA2, 0x01, 0xA2, 0x02, 0xA2, 0x03, 0xA2, 0x04, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(movie.buffer.begin(), movie.buffer.begin() + 4), (Bytes{0x11, 0x80, 0xA2, 0x00}));

    // 16-bit mono at 16 Hz: chunks of 16 and 8 bytes; an odd last byte is half a sample.
    const SoundMovie mono = WriteSound(dir, Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                                  0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
                                                  0x11, 0x12, 0x13}, 1, 16, 16);
    ASSERT_EQ(mono.chunks.size(), 2u);
    EXPECT_EQ(mono.chunks[0], (Bytes{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07,
                                     0x0A, 0x09, 0x0C, 0x0B, 0x0E, 0x0D, 0x10, 0x0F}));
    EXPECT_EQ(mono.chunks[1], (Bytes{0x12, 0x11, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(mono.buffer.back(), 0x13);
}

} // namespace
