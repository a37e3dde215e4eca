#include "FilmTestSupport.h"
#include "HexText.h"

#include "film/FilmFile.h"
#include "film/SoundPlan.h"
#include "media/ByteOrder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace filmtest;

namespace {

TEST(FilmFile, TenSecondExample)
{
    TempDir dir;
    MovieParams params;
    params.frames = 150;
    params.soundLength = 220500;
    const WrittenMovie movie = WriteMovie(dir.file("example.cpk").string(), params);
    const ParsedFilm& film = movie.film;
    EXPECT_EQ(film.count, 190u);
    EXPECT_EQ(film.headerLength, 3104u);
    EXPECT_EQ(film.stabLength, 3056u);
    EXPECT_EQ(Hex(film.bytes, 0, 16), "46 49 4C 4D 00 00 0C 20 31 2E 30 38 00 00 00 00");
    EXPECT_EQ(Hex(film.bytes, 16, 32), "46 44 53 43 00 00 00 20 63 76 69 64 00 00 00 E0 "
                                       "00 00 01 40 18 01 08 00 56 22 00 00 00 00 00 00");
    EXPECT_EQ(Hex(film.bytes, 48, 16), "53 54 41 42 00 00 0B F0 00 00 02 58 00 00 00 BE");

    const std::string pattern = Pattern(film);
    EXPECT_EQ(pattern.substr(0, 28), "AVVAVVVVAVVVVAVVVVAVVVAVVVVA");
    EXPECT_EQ(std::count(pattern.begin(), pattern.end(), 'A'), 40);
    EXPECT_EQ(std::count(pattern.begin(), pattern.end(), '.'), 0); // all 190 filled
    EXPECT_EQ(pattern.substr(pattern.rfind('A')), "AVVVVV");      // five frames after the last chunk
    EXPECT_EQ(film.entries[0].length, 11024u);
    EXPECT_EQ(film.entries[3].length, 5512u);
    EXPECT_EQ(film.entries[3].offset, 11024 + film.entries[1].length + film.entries[2].length);
    EXPECT_EQ(film.entries[2].timestamp, 40u);
    EXPECT_EQ(film.entries[2].duration, 40u);
    EXPECT_EQ(film.entries.back().timestamp, 149 * 40u);
    ExpectConsistent(movie, params);
}

TEST(FilmFile, MovieWithoutSoundAndEmptyMovie)
{
    TempDir dir;
    MovieParams params;
    params.frames = 5;
    params.rate = 24;
    const WrittenMovie movie = WriteMovie(dir.file("silent.cpk").string(), params);
    const ParsedFilm& film = movie.film;
    EXPECT_EQ(film.count, 5u);
    EXPECT_EQ(film.headerLength, 64 + 16 * 5u);
    EXPECT_EQ(Hex(film.bytes, 36, 12), "18 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Pattern(film), "VVVVV");
    EXPECT_EQ(film.entries[0].offset, 0u);
    EXPECT_EQ(film.entries[4].timestamp, 100u);
    ExpectConsistent(movie, params);

    MovieParams none;
    const WrittenMovie empty = WriteMovie(dir.file("empty.cpk").string(), none);
    ASSERT_EQ(empty.film.bytes.size(), 64u);
    EXPECT_EQ(Hex(empty.film.bytes, 0, 64),
              "46 49 4C 4D 00 00 00 40 31 2E 30 38 00 00 00 00 "
              "46 44 53 43 00 00 00 20 63 76 69 64 00 00 00 E0 00 00 01 40 18 00 00 00 00 00 00 00 00 00 00 00 "
              "53 54 41 42 00 00 00 10 00 00 02 58 00 00 00 00");
}

TEST(FilmFile, FrameDurations)
{
    struct Case { uint32_t rate, scale, ticks; };
    TempDir dir;
    for (const Case c : {Case{15, 1, 40}, Case{24, 1, 25}, Case{30000, 1001, 20}, Case{1000000, 1, 0},
                         Case{2, 1, 300}, Case{299700000, 10000000, 20}}) {
        MovieParams params;
        params.frames = 3;
        params.rate = c.rate;
        params.scale = c.scale;
        const WrittenMovie movie = WriteMovie(dir.file("d.cpk").string(), params);
        ASSERT_EQ(movie.film.entries.size(), 3u);
        for (uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(movie.film.entries[i].duration, c.ticks) << c.rate << "/" << c.scale;
            EXPECT_EQ(movie.film.entries[i].timestamp, i * c.ticks) << c.rate << "/" << c.scale;
        }
    }
}

TEST(FilmFile, ChunkLengths)
{
    struct Case { uint32_t rate; uint16_t bits, channels; uint32_t first, later; };
    for (const Case c : {Case{44100, 16, 2, 88200, 44100}, Case{22050, 8, 1, 11024, 5512},
                         Case{44100, 8, 1, 22048, 11024}, Case{37800, 8, 1, 18900, 9448},
                         Case{32000, 16, 1, 32000, 16000}, Case{22050, 8, 2, 22048, 11024}}) {
        CFilmFile writer;
        writer.InitHeader();
        media::WaveFormatEx wave;
        wave.nChannels = c.channels;
        wave.nSamplesPerSec = c.rate;
        wave.wBitsPerSample = c.bits;
        writer.SetAudioInfo(1000000, wave);
        EXPECT_EQ(FirstChunkLength(writer.GetFdsc()), c.first) << c.rate << " " << c.bits << " " << c.channels;
        EXPECT_EQ(ChunkLength(writer.GetFdsc()), c.later) << c.rate << " " << c.bits << " " << c.channels;
    }
}

// Every frame and chunk the interleaving places is listed; where the planned count of the
// plan (frames + ceil(length / q) - 1) is large enough it is kept as it is.
TEST(FilmFile, EveryPlacedEntryIsListed)
{
    struct Case {
        const char* name;
        MovieParams params;
        uint32_t count;      // entries in the table
        uint32_t placed;     // entries filled
    };
    auto make = [](uint32_t frames, uint32_t rate, uint32_t length, uint32_t sampleRate,
                   uint16_t bits, uint16_t channels) {
        MovieParams s;
        s.frames = frames;
        s.rate = rate;
        s.soundLength = length;
        s.sampleRate = sampleRate;
        s.bits = bits;
        s.channels = channels;
        return s;
    };
    const std::vector<Case> cases = {
        {"quarter second or less", make(30, 15, 4000, 22050, 8, 1), 31, 31},
        {"exactly a quarter second", make(30, 15, 5512, 22050, 8, 1), 31, 31},
        {"shorter than the first chunk", make(30, 15, 8000, 22050, 8, 1), 31, 31},
        {"44100 Hz mono, Q below q", make(900, 15, 44100 * 60, 44100, 8, 1), 1140, 1140},
        {"37800 Hz mono, Q below q", make(900, 15, 37800 * 30, 37800, 8, 1), 1020, 1020},
        {"44100 Hz 16-bit stereo", make(150, 15, 176400 * 10, 44100, 16, 2), 189, 189},
        {"sound but no frames", make(0, 15, 3000, 22050, 8, 1), 1, 1},
        {"sound longer than the video", make(30, 15, 220500, 22050, 8, 1), 70, 39},
        {"2 frames a second", make(10, 2, 220500, 22050, 8, 1), 50, 21},
        {"frames of 0 ticks", make(10, 1000000, 220500, 22050, 8, 1), 50, 11},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WrittenMovie movie = WriteMovie(dir.file("p.cpk").string(), c.params);
        EXPECT_EQ(movie.film.count, c.count);
        EXPECT_EQ(movie.film.count, std::max(c.count, movie.expectedCountOfPlan));
        const std::string pattern = Pattern(movie.film);
        EXPECT_EQ(pattern.find('.'), c.placed == c.count ? std::string::npos : size_t{c.placed});
        ExpectConsistent(movie, c.params);
    }
    // At 2 frames a second one chunk follows every frame.
    const WrittenMovie slow = WriteMovie(dir.file("slow.cpk").string(), cases[8].params);
    EXPECT_EQ(Pattern(slow.film).substr(0, 22), "AVAVAVAVAVAVAVAVAVAVA.");
}

TEST(FilmFile, StoppedMovieKeepsItsTableAndSilentChunks)
{
    TempDir dir;
    MovieParams params;
    params.frames = 150;
    params.soundLength = 220500;
    params.framesToWrite = 40;
    params.writeAudio = false;
    const WrittenMovie movie = WriteMovie(dir.file("stopped.cpk").string(), params);
    EXPECT_EQ(movie.film.count, 190u);
    const std::string pattern = Pattern(movie.film);
    EXPECT_EQ(std::count(pattern.begin(), pattern.end(), 'V'), 40);
    EXPECT_EQ(pattern.find('.'), 52u); // 40 frames and 12 chunks
    EXPECT_EQ(pattern.find_first_not_of('.', 52), std::string::npos);
    ExpectConsistent(movie, params); // the chunks hold zeros only
}

TEST(FilmFile, RefusesInputItCannotRepresentBeforeWriting)
{
    struct Case {
        const char* name;
        uint32_t frames, rate, scale;
        uint16_t channels, bits;
        uint32_t sampleRate;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"video rate 0", 10, 0, 1, 1, 8, 22050, "rate is 0"},
        {"duration beyond 32 bits", 10, 1, 10000000, 1, 8, 22050, "32-bit"},
        {"movie beyond 32-bit ticks", 1000000, 1, 10000, 1, 8, 22050, "32-bit"},
        {"too many frames", 300000000, 15, 1, 1, 8, 22050, "sample table"},
        {"4-bit sound", 10, 15, 1, 1, 4, 22050, "4 bits"},
        {"24-bit sound", 10, 15, 1, 1, 24, 22050, "24 bits"},
        {"12-bit sound", 10, 15, 1, 1, 12, 22050, "12 bits"},
        {"no channels", 10, 15, 1, 0, 8, 22050, "0 channels"},
        {"three channels", 10, 15, 1, 3, 8, 22050, "3 channels"},
        {"256 channels", 10, 15, 1, 256, 8, 22050, "256 channels"},
        {"65536 Hz", 10, 15, 1, 1, 8, 65536, "65536 samples"},
        {"quarter second of 0 bytes", 10, 15, 1, 1, 8, 3, "4 bytes a quarter"},
        {"chunk of 0 bytes", 10, 15, 1, 1, 8, 15, "4 bytes a quarter"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.file("r.cpk").string();
        CFilmFile writer;
        ASSERT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
        writer.InitHeader();
        media::BitmapInfoHeader video;
        media::WaveFormatEx wave;
        wave.nChannels = c.channels;
        wave.wBitsPerSample = c.bits;
        wave.nSamplesPerSec = c.sampleRate;
        try {
            writer.SetVideoInfo(c.frames, c.rate, c.scale, video);
            writer.SetAudioInfo(100000, wave);
            writer.WriteHeader();
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const FilmFormatError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
        }
        writer.Close();
        EXPECT_EQ(testsupport::readFileBytes(path).size(), 0u) << c.name;
    }
}

TEST(FilmFile, MalformedFrameIsNotWrittenAndTheMovieGoesOn)
{
    TempDir dir;
    const std::string path = dir.file("m.cpk").string();
    CFilmFile writer;
    ASSERT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
    writer.InitHeader();
    writer.SetVideoInfo(2, 15, 1, media::BitmapInfoHeader{});
    writer.SetAudioInfo(0, media::WaveFormatEx{});
    writer.WriteHeader();
    std::vector<uint8_t> bad = TestFrame(0);
    bad.push_back(0); // a byte beyond the last strip
    EXPECT_THROW(writer.WriteVideoFrame(bad.data(), static_cast<uint32_t>(bad.size())), FilmFormatError);
    EXPECT_EQ(writer.GetPosition(), 64 + 32u);
    EXPECT_EQ(writer.GetNextSample(), 0u);
    const std::vector<uint8_t> good = TestFrame(1);
    writer.WriteVideoFrame(good.data(), static_cast<uint32_t>(good.size()));
    writer.WriteVideoFrame(good.data(), static_cast<uint32_t>(good.size()));
    EXPECT_THROW(writer.WriteVideoFrame(good.data(), static_cast<uint32_t>(good.size())), std::logic_error);
    writer.WriteSampleTable();
    EXPECT_THROW(writer.WriteSampleTable(), std::logic_error);
    writer.Close();
    EXPECT_EQ(Pattern(ParseFilm(testsupport::readFileBytes(path))), "VV");
}

TEST(FilmFile, OneWriterServesManyFiles)
{
    TempDir dir;
    MovieParams params;
    params.frames = 20;
    params.soundLength = 30000;
    const std::vector<uint8_t> reference = WriteMovie(dir.file("ref.cpk").string(), params).film.bytes;

    CFilmFile writer;
    for (int round = 0; round < 2; ++round) {
        const std::string path = dir.file("again" + std::to_string(round) + ".cpk").string();
        ASSERT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
        writer.InitHeader();
        media::BitmapInfoHeader video;
        video.biWidth = 320;
        video.biHeight = 224;
        writer.SetVideoInfo(params.frames, params.rate, params.scale, video);
        media::WaveFormatEx wave;
        wave.nChannels = 1;
        wave.wBitsPerSample = 8;
        wave.nSamplesPerSec = 22050;
        writer.SetAudioInfo(params.soundLength, wave);
        writer.WriteHeader();
        for (uint32_t i = 0; i < (round == 0 ? 7u : params.frames); ++i) {
            const std::vector<uint8_t> frame = TestFrame(i);
            writer.WriteVideoFrame(frame.data(), static_cast<uint32_t>(frame.size()));
        }
        if (round == 0) {
            writer.Close(); // abandoned mid-way: the next InitHeader starts afresh
            continue;
        }
        std::vector<uint8_t> sound = TestSound(params.soundLength);
        writer.WriteAudio(sound.data(), static_cast<uint32_t>(sound.size()));
        writer.WriteSampleTable();
        writer.Close();
        EXPECT_EQ(testsupport::readFileBytes(path), reference);
    }
}

} // namespace
