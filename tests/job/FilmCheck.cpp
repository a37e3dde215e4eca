#include "FilmCheck.h"

#include "media/ByteOrder.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace jobtest {
namespace {

using media::readBE16;
using media::readBE24;
using media::readBE32;

bool Tag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

struct Placed {
    bool sound;
    uint32_t length; // sound chunks only
};

struct Plan {
    uint32_t count = 0;          // the table's entry count
    std::vector<Placed> placed;  // the entries of the frames written
    uint32_t duration = 0;       // ticks per frame
};

// The interleaving: half a second of sound first, then a quarter second after every frame
// that leaves the sound's lead at 225 ticks or less.
std::vector<Placed> Interleave(const ExpectedMovie& m, uint32_t frames, uint32_t duration)
{
    std::vector<Placed> placed;
    const bool sound = m.channels != 0 && !m.sound.empty();
    const uint32_t f = m.bits * m.channels / 8;
    const uint32_t first = (f * m.soundRate / 2) & ~3u, later = (f * m.soundRate / 4) & ~3u;
    int64_t lead = 300;
    uint64_t left = 0;
    if (sound) {
        placed.push_back({true, first});
        left = m.sound.size() > first ? m.sound.size() - first : 0;
    }
    for (uint32_t i = 0; i < frames; ++i) {
        placed.push_back({false, 0});
        if (!sound || left == 0)
            continue;
        lead -= duration;
        if (lead > 225)
            continue;
        placed.push_back({true, later});
        left = left > later ? left - later : 0;
        lead += 150;
    }
    return placed;
}

Plan PlanFor(const ExpectedMovie& m)
{
    Plan plan;
    plan.duration = (m.scale * 600 + m.rate / 2) / m.rate;
    plan.placed = Interleave(m, m.frames, plan.duration);
    uint32_t planned = m.frameCount;
    if (m.channels != 0 && !m.sound.empty()) {
        const uint32_t q = m.bits * m.channels / 8 * m.soundRate / 4;
        planned += static_cast<uint32_t>((q + m.sound.size() - 1) / q - 1);
    }
    // The table holds every entry that the whole movie places, and never fewer than planned.
    const auto full = static_cast<uint32_t>(Interleave(m, m.frameCount, plan.duration).size());
    plan.count = std::max(planned, full);
    return plan;
}

// The sound chunk as the writer must store it: signed 8-bit or big-endian 16-bit samples,
// stereo as a left half and a right half, silence past the sound's end.
std::vector<uint8_t> ExpectedChunk(const ExpectedMovie& m, size_t start, uint32_t length)
{
    std::vector<uint8_t> chunk(length, 0);
    const size_t sampleBytes = m.bits / 8, frameBytes = sampleBytes * m.channels;
    const size_t frames = length / frameBytes;
    for (size_t j = 0; j < frames; ++j)
        for (size_t c = 0; c < m.channels; ++c) {
            const size_t in = start + j * frameBytes + c * sampleBytes;
            if (in + sampleBytes > m.sound.size())
                continue;
            uint8_t* out = chunk.data() + c * (length / m.channels) + j * sampleBytes;
            if (sampleBytes == 1) {
                out[0] = m.sound[in] ^ 0x80;
            } else {
                out[0] = m.sound[in + 1];
                out[1] = m.sound[in];
            }
        }
    return chunk;
}

} // namespace

bool ReadFilm(const std::string& path, FilmMovie* movie)
{
    movie->bytes = testsupport::readFileBytes(path);
    const std::vector<uint8_t>& b = movie->bytes;
    EXPECT_GE(b.size(), 64u) << path;
    if (b.size() < 64)
        return false;
    EXPECT_TRUE(Tag(&b[0], "FILM") && Tag(&b[8], "1.08") && readBE32(&b[12]) == 0);
    EXPECT_TRUE(Tag(&b[16], "FDSC") && readBE32(&b[20]) == 32 && Tag(&b[24], "cvid"));
    EXPECT_TRUE(Tag(&b[48], "STAB") && readBE32(&b[56]) == 600);
    movie->headerLength = readBE32(&b[4]);
    movie->height = static_cast<int32_t>(readBE32(&b[28]));
    movie->width = static_cast<int32_t>(readBE32(&b[32]));
    movie->depth = b[36];
    movie->channels = b[37];
    movie->bits = b[38];
    EXPECT_EQ(b[39], 0) << "sound compression";
    movie->soundRate = readBE32(&b[40]) >> 16;
    EXPECT_EQ(readBE32(&b[40]) & 0xFFFF, 0u);
    EXPECT_EQ(readBE32(&b[44]), 0u);
    movie->count = readBE32(&b[60]);
    EXPECT_EQ(readBE32(&b[52]), 16 + 16 * movie->count) << "STAB length";
    EXPECT_EQ(movie->headerLength, 64 + 16 * movie->count) << "header length";
    if (b.size() < 64 + 16 * uint64_t{movie->count} || movie->headerLength != 64 + 16 * movie->count)
        return false;
    for (uint32_t i = 0; i < movie->count; ++i) {
        const uint8_t* e = &b[64 + 16 * i];
        movie->entries.push_back({readBE32(e), readBE32(e + 4), readBE32(e + 8), readBE32(e + 12)});
    }
    return true;
}

void CheckSaturnSample(const uint8_t* s, uint32_t length, int32_t width, int32_t height)
{
    ASSERT_GE(length, 12u);
    EXPECT_EQ(length % 4, 0u);
    EXPECT_EQ(readBE32(s), length - 8) << "first word";
    EXPECT_EQ(readBE16(s + 4), width);
    EXPECT_EQ(readBE16(s + 6), height);
    EXPECT_EQ(s[10] | s[11], 0);
    const uint32_t strips = readBE16(s + 8);
    EXPECT_GE(strips, 1u);
    uint32_t r = 12;
    for (uint32_t i = 0; i < strips; ++i) {
        ASSERT_LE(r + 12, length) << "strip " << i;
        EXPECT_EQ(r % 4, 0u);
        EXPECT_TRUE(s[r] == 0x10 || s[r] == 0x11) << "strip id " << int(s[r]);
        uint32_t c = r + 12;
        for (int k = 0; k < 3; ++k) {
            ASSERT_LE(c + 4, length) << "strip " << i << " chunk " << k;
            const uint32_t size = readBE24(s + c + 1);
            ASSERT_GE(size, 4u);
            EXPECT_EQ(size % 4, 0u) << "strip " << i << " chunk " << k;
            c += size;
        }
        ASSERT_LE(c, length);
        EXPECT_EQ(readBE24(s + r + 1), c - r) << "strip " << i << " size";
        r = c;
    }
    EXPECT_EQ(r, length) << "the strips fill the sample";
}

void CheckFilm(const FilmMovie& movie, const ExpectedMovie& m)
{
    const bool sound = m.channels != 0 && !m.sound.empty();
    EXPECT_EQ(movie.width, m.width);
    EXPECT_EQ(movie.height, m.height);
    EXPECT_EQ(movie.depth, 24);
    EXPECT_EQ(movie.channels, sound ? m.channels : 0);
    EXPECT_EQ(movie.bits, sound ? m.bits : 0);
    EXPECT_EQ(movie.soundRate, sound ? m.soundRate : 0);

    const Plan plan = PlanFor(m);
    ASSERT_EQ(movie.count, plan.count) << "entry count";
    uint64_t offset = 0;
    uint32_t frame = 0;
    size_t soundPos = 0;
    for (size_t i = 0; i < movie.entries.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const FilmEntry& e = movie.entries[i];
        if (i >= plan.placed.size()) {
            EXPECT_TRUE(e.offset == 0 && e.length == 0 && e.time == 0 && e.duration == 0);
            continue;
        }
        EXPECT_EQ(e.offset, offset);
        ASSERT_LE(movie.headerLength + uint64_t{e.offset} + e.length, movie.bytes.size());
        const Placed& p = plan.placed[i];
        EXPECT_EQ(e.isSound(), p.sound);
        if (p.sound) {
            EXPECT_EQ(e.length, p.length);
            EXPECT_EQ(e.duration, 1u);
            std::vector<uint8_t> want = m.soundWritten ? ExpectedChunk(m, soundPos, e.length)
                                                       : std::vector<uint8_t>(e.length, 0);
            soundPos += e.length;
            EXPECT_TRUE(std::equal(want.begin(), want.end(), movie.sample(e)))
                << "sound bytes of the chunk";
        } else {
            EXPECT_EQ(e.time, frame * plan.duration);
            EXPECT_EQ(e.duration, plan.duration);
            CheckSaturnSample(movie.sample(e), e.length, m.width, m.height);
            ++frame;
        }
        offset += e.length;
    }
    EXPECT_EQ(frame, m.frames);
    EXPECT_EQ(movie.bytes.size(), movie.headerLength + offset) << "nothing behind the samples";
}

} // namespace jobtest
