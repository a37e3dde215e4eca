#include "encoder_support.h"

#include "media/ByteOrder.h"
#include "support/Ffmpeg.h"

#include <stdexcept>

namespace cinepak::test {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    media::writeLE32(b, v);
    out.insert(out.end(), b, b + 4);
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(tag[i]));
}

// The smallest AVI ffmpeg reads: one 'cvid' stream, every frame a key frame in the index.
std::vector<uint8_t> wrapAvi(const std::vector<std::vector<uint8_t>>& frames, int width,
                             int height)
{
    std::vector<uint8_t> hdrl;
    putTag(hdrl, "hdrl");
    putTag(hdrl, "avih");
    put32(hdrl, 56);
    const uint32_t avih[14] = {66666, 0, 0, 0x10, static_cast<uint32_t>(frames.size()), 0, 1,
                               0, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                               0, 0, 0, 0};
    for (uint32_t v : avih)
        put32(hdrl, v);
    std::vector<uint8_t> strl;
    putTag(strl, "strl");
    putTag(strl, "strh");
    put32(strl, 56);
    putTag(strl, "vids");
    putTag(strl, "cvid");
    const uint32_t strh[10] = {0, 0, 0, 1, 15, 0, static_cast<uint32_t>(frames.size()), 0,
                               0xFFFFFFFF, 0};
    for (uint32_t v : strh)
        put32(strl, v);
    put32(strl, 0);
    put32(strl, static_cast<uint32_t>(width) | (static_cast<uint32_t>(height) << 16));
    putTag(strl, "strf");
    put32(strl, 40);
    const uint32_t bih[10] = {40, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                              1 | (24u << 16), media::kFourCCCvid, 0, 0, 0, 0, 0};
    for (uint32_t v : bih)
        put32(strl, v);
    putTag(hdrl, "LIST");
    put32(hdrl, static_cast<uint32_t>(strl.size()));
    hdrl.insert(hdrl.end(), strl.begin(), strl.end());

    std::vector<uint8_t> movi, idx;
    putTag(movi, "movi");
    for (const auto& f : frames) {
        putTag(idx, "00dc");
        put32(idx, 0x10);
        put32(idx, static_cast<uint32_t>(movi.size()));
        put32(idx, static_cast<uint32_t>(f.size()));
        putTag(movi, "00dc");
        put32(movi, static_cast<uint32_t>(f.size()));
        movi.insert(movi.end(), f.begin(), f.end());
        if (f.size() % 2)
            movi.push_back(0);
    }
    std::vector<uint8_t> avi;
    putTag(avi, "RIFF");
    put32(avi, 0);
    putTag(avi, "AVI ");
    putTag(avi, "LIST");
    put32(avi, static_cast<uint32_t>(hdrl.size()));
    avi.insert(avi.end(), hdrl.begin(), hdrl.end());
    putTag(avi, "LIST");
    put32(avi, static_cast<uint32_t>(movi.size()));
    avi.insert(avi.end(), movi.begin(), movi.end());
    putTag(avi, "idx1");
    put32(avi, static_cast<uint32_t>(idx.size()));
    avi.insert(avi.end(), idx.begin(), idx.end());
    media::writeLE32(&avi[4], static_cast<uint32_t>(avi.size() - 8));
    return avi;
}

} // namespace

std::vector<std::vector<uint8_t>> ffmpegDecode(const std::vector<std::vector<uint8_t>>& frames,
                                               int width, int height,
                                               const std::filesystem::path& dir)
{
    const std::filesystem::path avi = dir / "frames.avi";
    const std::filesystem::path raw = dir / "frames.rgb";
    testsupport::writeFileBytes(avi, wrapAvi(frames, width, height));
    std::string log;
    if (!testsupport::runFfmpeg({"-i", avi.string(), "-f", "rawvideo", "-pix_fmt", "rgb24",
                                 raw.string()}, &log))
        throw std::runtime_error("ffmpeg could not decode our frames: " + log);
    const std::vector<uint8_t> all = testsupport::readFileBytes(raw);
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    if (all.size() != frameBytes * frames.size())
        throw std::runtime_error("ffmpeg gave " + std::to_string(all.size()) + " bytes");
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < frames.size(); ++i)
        out.emplace_back(all.begin() + static_cast<long>(i * frameBytes),
                         all.begin() + static_cast<long>((i + 1) * frameBytes));
    return out;
}

} // namespace cinepak::test
