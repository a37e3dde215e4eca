#include "DemoAvi.h"

#include "media/ByteOrder.h"
#include "media/MediaTypes.h"

#include <cmath>
#include <cstdio>

namespace demo {
namespace {

// A RIFF byte stream: little-endian values, chunks whose sizes are filled in when they end.
class Riff {
public:
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void tag(const char* t) { bytes_.insert(bytes_.end(), t, t + 4); }
    void raw(const std::vector<uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }

    size_t begin(const char* id, const char* listType = nullptr)
    {
        tag(id);
        const size_t sizeAt = bytes_.size();
        u32(0);
        if (listType)
            tag(listType);
        return sizeAt;
    }
    void end(size_t sizeAt)
    {
        media::writeLE32(&bytes_[sizeAt], static_cast<uint32_t>(bytes_.size() - sizeAt - 4));
        if (bytes_.size() % 2)
            bytes_.push_back(0);
    }
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    void put(uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

constexpr double kPi = 3.14159265358979323846;

uint8_t Clamp(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Frame t as bottom-up BGR rows: drifting colour waves with a bright ball bouncing on them.
std::vector<uint8_t> Picture(const DemoClip& clip, uint32_t t)
{
    const auto rowSize = static_cast<size_t>(media::dibRowSize(24, clip.width));
    std::vector<uint8_t> rows(rowSize * static_cast<size_t>(clip.height), 0);
    const double time = double(t) / clip.framesPerSecond;
    const double ballX = clip.width * (0.5 + 0.4 * std::sin(time * 1.3));
    const double ballY = clip.height * (0.5 + 0.35 * std::cos(time * 2.1));
    const double radius = clip.height / 7.0;
    for (int32_t y = 0; y < clip.height; ++y) {
        uint8_t* row = rows.data() + rowSize * static_cast<size_t>(clip.height - 1 - y);
        for (int32_t x = 0; x < clip.width; ++x) {
            const double u = x / 40.0, v = y / 40.0;
            double r = 128 + 110 * std::sin(u + time * 1.7);
            double g = 128 + 110 * std::sin(v * 1.3 - time * 1.1 + 2.0);
            double b = 128 + 110 * std::sin((u + v) * 0.8 + time * 0.9 + 4.0);
            const double d = std::hypot(x - ballX, y - ballY);
            if (d < radius) {
                const double shade = 1.0 - d / radius * 0.5;
                r = 255 * shade, g = 230 * shade, b = 60 * shade;
            }
            row[3 * x] = Clamp(b);
            row[3 * x + 1] = Clamp(g);
            row[3 * x + 2] = Clamp(r);
        }
    }
    return rows;
}

// Unsigned 8-bit mono: a little arpeggio, one note per third of a second.
std::vector<uint8_t> Tune(const DemoClip& clip)
{
    static const double notes[] = {261.63, 329.63, 392.00, 523.25, 392.00, 329.63};
    const size_t count = size_t{clip.soundRate} * clip.seconds;
    std::vector<uint8_t> sound(count);
    for (size_t i = 0; i < count; ++i) {
        const double time = double(i) / clip.soundRate;
        const double note = notes[static_cast<size_t>(time * 3) % 6];
        const double envelope = 1.0 - std::fmod(time * 3, 1.0) * 0.7;
        sound[i] = Clamp(128 + 90 * envelope * std::sin(2 * kPi * note * time));
    }
    return sound;
}

void StreamHeader(Riff& riff, const char* type, const char* handler, uint32_t scale, uint32_t rate,
                  uint32_t length, uint32_t bufferSize, uint32_t sampleSize, const DemoClip& clip)
{
    const size_t strh = riff.begin("strh");
    riff.tag(type);
    riff.tag(handler);
    riff.u32(0);                   // flags
    riff.u32(0);                   // priority, language
    riff.u32(0);                   // initial frames
    riff.u32(scale);
    riff.u32(rate);
    riff.u32(0);                   // start
    riff.u32(length);
    riff.u32(bufferSize);
    riff.u32(0xFFFFFFFF);          // quality
    riff.u32(sampleSize);
    riff.u16(0), riff.u16(0);
    riff.u16(static_cast<uint16_t>(clip.width)), riff.u16(static_cast<uint16_t>(clip.height));
    riff.end(strh);
}

} // namespace

std::vector<uint8_t> MakeDemoAvi(const DemoClip& clip)
{
    const uint32_t frames = clip.framesPerSecond * clip.seconds;
    const auto frameBytes = static_cast<uint32_t>(media::dibRowSize(24, clip.width) * clip.height);
    const std::vector<uint8_t> sound = Tune(clip);
    const uint32_t samplesPerFrame = clip.soundRate / clip.framesPerSecond;

    Riff riff;
    const size_t file = riff.begin("RIFF", "AVI ");
    const size_t hdrl = riff.begin("LIST", "hdrl");
    const size_t avih = riff.begin("avih");
    riff.u32(1000000 / clip.framesPerSecond);
    riff.u32(frameBytes * clip.framesPerSecond + clip.soundRate);
    riff.u32(0);
    riff.u32(0x10); // has an index
    riff.u32(frames);
    riff.u32(0);
    riff.u32(2);
    riff.u32(frameBytes);
    riff.u32(static_cast<uint32_t>(clip.width));
    riff.u32(static_cast<uint32_t>(clip.height));
    for (int i = 0; i < 4; ++i)
        riff.u32(0);
    riff.end(avih);

    const size_t videoList = riff.begin("LIST", "strl");
    StreamHeader(riff, "vids", "DIB ", 1, clip.framesPerSecond, frames, frameBytes, 0, clip);
    const size_t videoFormat = riff.begin("strf");
    riff.u32(40);
    riff.u32(static_cast<uint32_t>(clip.width));
    riff.u32(static_cast<uint32_t>(clip.height));
    riff.u16(1), riff.u16(24);
    riff.u32(media::kBiRgb);
    riff.u32(frameBytes);
    for (int i = 0; i < 4; ++i)
        riff.u32(0);
    riff.end(videoFormat);
    riff.end(videoList);

    const size_t soundList = riff.begin("LIST", "strl");
    StreamHeader(riff, "auds", "\0\0\0\0", 1, clip.soundRate, static_cast<uint32_t>(sound.size()),
                 samplesPerFrame, 1, clip);
    const size_t soundFormat = riff.begin("strf");
    riff.u16(media::kWaveFormatPcm), riff.u16(1);
    riff.u32(clip.soundRate), riff.u32(clip.soundRate);
    riff.u16(1), riff.u16(8), riff.u16(0);
    riff.end(soundFormat);
    riff.end(soundList);
    riff.end(hdrl);

    // The movie data: each frame followed by its share of the sound.
    struct IndexEntry {
        const char* id;
        uint32_t flags, offset, size;
    };
    std::vector<IndexEntry> index;
    const size_t movi = riff.begin("LIST", "movi");
    const size_t moviStart = movi - 4;
    size_t soundAt = 0;
    for (uint32_t t = 0; t < frames; ++t) {
        const std::vector<uint8_t> picture = Picture(clip, t);
        index.push_back({"00db", 0x10, static_cast<uint32_t>(riff.size() - moviStart), frameBytes});
        const size_t chunk = riff.begin("00db");
        riff.raw(picture);
        riff.end(chunk);
        const size_t take = t + 1 == frames ? sound.size() - soundAt
                                             : std::min<size_t>(samplesPerFrame, sound.size() - soundAt);
        if (take == 0)
            continue;
        index.push_back({"01wb", 0x10, static_cast<uint32_t>(riff.size() - moviStart),
                         static_cast<uint32_t>(take)});
        const size_t soundChunk = riff.begin("01wb");
        riff.raw({sound.begin() + static_cast<long>(soundAt), sound.begin() + static_cast<long>(soundAt + take)});
        riff.end(soundChunk);
        soundAt += take;
    }
    riff.end(movi);

    const size_t idx1 = riff.begin("idx1");
    for (const IndexEntry& e : index) {
        riff.tag(e.id);
        riff.u32(e.flags);
        riff.u32(e.offset);
        riff.u32(e.size);
    }
    riff.end(idx1);
    riff.end(file);
    return std::move(riff.bytes());
}

bool WriteDemoAvi(const std::string& path, const DemoClip& clip)
{
    const std::vector<uint8_t> bytes = MakeDemoAvi(clip);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

} // namespace demo
