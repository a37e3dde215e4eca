// Writes the fuzzer's seed corpus: a handful of tiny movies covering the stored formats
// and file layouts. Usage: kestrel-fuzz-seeds DIRECTORY
#include "support/AviTestWriter.h"

#include <cstdio>
#include <string>

using testsupport::AviMovie;
using testsupport::Bytes;

namespace {

// An 8x4 Cinepak key frame and an inter frame with a skipped block.
const Bytes kKey = {
    0x00, 0x00, 0x00, 0x49, 0x00, 0x08, 0x00, 0x04, 0x00, 0x01, 0x10, 0x00, 0x00, 0x3F,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08, 0x20, 0x00, 0x00, 0x1C, 0x64, 0x64,
    0x64, 0x64, 0x00, 0x00, 0x32, 0x3C, 0x46, 0x50, 0x00, 0x00, 0xC8, 0xC8, 0xC8, 0xC8,
    0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x0A, 0xF6, 0x22, 0x00, 0x00, 0x0A, 0x0A, 0x14,
    0x1E, 0x28, 0x00, 0x00, 0x30, 0x00, 0x00, 0x0D, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x02, 0x03};
const Bytes kInter = {
    0x01, 0x00, 0x00, 0x31, 0x00, 0x08, 0x00, 0x04, 0x00, 0x01, 0x11, 0x00, 0x00, 0x27,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08, 0x21, 0x00, 0x00, 0x0E, 0x40, 0x00,
    0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x27, 0x00, 0x00, 0x04, 0x31, 0x00,
    0x00, 0x09, 0x40, 0x00, 0x00, 0x00, 0x00};

Bytes frame(size_t size, int n)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>(i * 7 + n * 13);
    return b;
}

AviMovie raw(int bits, int height, const std::vector<uint32_t>& masks = {})
{
    const size_t row = static_cast<size_t>(media::dibRowSize(bits, 5));
    Bytes palette;
    if (bits <= 8)
        palette = frame(4u << bits, 9);
    AviMovie m;
    m.streams.push_back(testsupport::rawVideo(5, height, bits,
                                              {frame(row * 3, 0), Bytes(), frame(row * 3, 1)},
                                              palette, masks));
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    std::vector<std::pair<std::string, AviMovie>> seeds;
    seeds.emplace_back("raw24", raw(24, 3));
    seeds.emplace_back("raw32-topdown", raw(32, -3));
    seeds.emplace_back("raw565", raw(16, 3, {0xF800, 0x07E0, 0x001F}));
    seeds.emplace_back("pal8", raw(8, 3));
    seeds.emplace_back("pal4", raw(4, -3));

    AviMovie cvid;
    cvid.streams.push_back(testsupport::cinepakVideo(8, 4, {kKey, kInter, kInter, kKey},
                                                     {true, false, false, true}));
    cvid.streams.push_back(testsupport::pcmSound(2, 16, 22050, frame(400, 3), 25));
    seeds.emplace_back("cvid-pcm16", cvid);

    AviMovie odml = cvid;
    odml.layout.openDml = true;
    odml.layout.recLists = true;
    odml.layout.junk = true;
    seeds.emplace_back("cvid-opendml", odml);

    AviMovie plain = raw(24, 3);
    plain.streams.push_back(testsupport::pcmSound(1, 8, 8000, frame(301, 4), 101));
    plain.streams.back().start = 7;
    plain.layout.idx1 = false;
    seeds.emplace_back("raw-pcm8-noindex", plain);
    plain.layout.idx1 = true;
    plain.layout.absoluteIdx1 = true;
    seeds.emplace_back("raw-pcm8-absolute", plain);

    for (const auto& [name, movie] : seeds)
        testsupport::writeAviFile(std::string(argv[1]) + "/" + name + ".avi", movie);
    return 0;
}
