// The compressor's promises: the key-frame layout the Saturn repacking relies on, for
// every size and input depth; the output block; determinism; the size limit; quality
// steering size and picture; refusal of input it cannot take; and agreement with an
// independent decoder (ffmpeg).
#include "cinepak/Compressor.h"
#include "encoder_support.h"
#include "media/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using cinepak::Compressor;
using cinepak::CompressError;
using cinepak::test::Dib;
using cinepak::test::makeDib;
using cinepak::test::scenePixel;

struct Encoded {
    std::vector<uint8_t> block;
    std::vector<uint8_t> frame;
};

Encoded encode(const Dib& dib, int quality, int32_t limit = 1 << 24)
{
    Compressor compressor;
    int32_t size = limit;
    Encoded e;
    e.block = compressor.compress(dib.header, dib.rows.data(), dib.header, quality, size);
    EXPECT_EQ(e.block.size(), 40u + static_cast<size_t>(size));
    e.frame.assign(e.block.begin() + 40, e.block.end());
    return e;
}

int stripCount(const std::vector<uint8_t>& frame) { return frame[8] << 8 | frame[9]; }

struct SizeCase {
    int width;
    int height;
    int bits;
    bool topDown;
    int quality;
};

class FrameRules : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FrameRules, KeyFrameInTheRepackableLayout)
{
    const SizeCase c = GetParam();
    const Dib dib = makeDib(c.width, c.height, c.bits, c.topDown, scenePixel);
    const Encoded e = encode(dib, c.quality);

    const uint8_t* h = e.block.data();
    EXPECT_EQ(media::readLE32(h), 40u);
    EXPECT_EQ(static_cast<int32_t>(media::readLE32(h + 4)), c.width);
    EXPECT_EQ(static_cast<int32_t>(media::readLE32(h + 8)), c.height);
    EXPECT_EQ(media::readLE32(h + 16), media::kFourCCCvid);
    EXPECT_EQ(media::readLE32(h + 20), e.frame.size());

    std::vector<uint8_t> rgb;
    ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, c.width, c.height, rgb), "");
    if (c.width * c.height <= 320 * 240) {
        EXPECT_GE(stripCount(e.frame), 1);
        EXPECT_LE(stripCount(e.frame), 3);
    }
    // A plainly wrong picture (swapped channels, flipped rows, shifted blocks) falls far
    // below this; the scene's colour stripes keep even the best frame near 27 dB.
    EXPECT_GT(cinepak::test::psnr(rgb, cinepak::test::dibToRgb(dib)), c.quality >= 5000 ? 25.0 : 22.0);
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndDepths, FrameRules,
    ::testing::Values(SizeCase{1, 1, 24, false, 10000}, SizeCase{1, 1, 16, true, 0},
                      SizeCase{3, 5, 32, false, 10000}, SizeCase{3, 5, 16, false, 5000},
                      SizeCase{4, 4, 24, true, 10000}, SizeCase{4, 4, 32, true, 0},
                      SizeCase{320, 224, 24, false, 10000}, SizeCase{320, 224, 16, true, 7000},
                      SizeCase{320, 224, 32, false, 2000}, SizeCase{352, 240, 32, true, 10000},
                      SizeCase{352, 240, 24, false, 4000}, SizeCase{641, 479, 24, false, 10000},
                      SizeCase{641, 479, 16, true, 8000}));

TEST(Compressor, StoredOrderAndDepthDoNotChangeTheFrame)
{
    // Colours a 5-5-5 pixel can hold, so all three depths describe the same picture.
    const auto pixel = [](int x, int y, uint8_t rgb[3]) {
        scenePixel(x, y, rgb);
        for (int k = 0; k < 3; ++k)
            rgb[k] = static_cast<uint8_t>((rgb[k] & 0xF8) | (rgb[k] >> 5));
    };
    const std::vector<uint8_t> reference = encode(makeDib(37, 21, 24, false, pixel), 9000).frame;
    for (int bits : {16, 24, 32})
        for (bool topDown : {false, true})
            EXPECT_EQ(encode(makeDib(37, 21, bits, topDown, pixel), 9000).frame, reference)
                << bits << "-bit, top-down " << topDown;
}

TEST(Compressor, SameInputGivesTheSameBytes)
{
    const Dib a = makeDib(96, 64, 24, false, scenePixel);
    const Dib b = makeDib(96, 64, 24, false, [](int x, int y, uint8_t rgb[3]) {
        scenePixel(y, x, rgb);
    });
    Compressor compressor;
    int32_t size = 1 << 20;
    const auto first = compressor.compress(a.header, a.rows.data(), a.header, 6000, size);
    size = 1 << 20;
    compressor.compress(b.header, b.rows.data(), b.header, 6000, size);
    size = 1 << 20;
    EXPECT_EQ(compressor.compress(a.header, a.rows.data(), a.header, 6000, size), first);
    EXPECT_EQ(encode(a, 6000).block, first);
}

TEST(Compressor, SizeLimitIsHonouredOrRefused)
{
    const Dib dib = makeDib(160, 112, 24, false, scenePixel);
    const Encoded best = encode(dib, 10000);
    const int32_t full = static_cast<int32_t>(best.frame.size());

    // A limit equal to the frame keeps it; a tighter one gives a smaller valid frame.
    EXPECT_EQ(encode(dib, 10000, full).frame, best.frame);
    for (int32_t limit : {full - 1, full / 2, full / 4}) {
        const Encoded e = encode(dib, 10000, limit);
        EXPECT_LE(static_cast<int32_t>(e.frame.size()), limit);
        std::vector<uint8_t> rgb;
        EXPECT_EQ(cinepak::test::checkAndDecode(e.frame, 160, 112, rgb), "");
    }
    Compressor compressor;
    int32_t size = 100;
    EXPECT_THROW(compressor.compress(dib.header, dib.rows.data(), dib.header, 10000, size),
                 CompressError);
}

TEST(Compressor, HigherQualityNeverGivesASmallerFrameOrAWorsePicture)
{
    const Dib dib = makeDib(64, 48, 24, false, scenePixel);
    const std::vector<uint8_t> source = cinepak::test::dibToRgb(dib);
    size_t lastSize = 0;
    double lastPsnr = 0;
    for (int q = 0; q <= 10000; q += 500) {
        const Encoded e = encode(dib, q);
        std::vector<uint8_t> rgb;
        ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, 64, 48, rgb), "");
        const double p = cinepak::test::psnr(rgb, source);
        EXPECT_GE(e.frame.size(), lastSize) << "quality " << q;
        EXPECT_GE(p, lastPsnr) << "quality " << q;
        lastSize = e.frame.size();
        lastPsnr = p;
    }
}

TEST(Compressor, RefusesInputItCannotTake)
{
    const Dib good = makeDib(8, 8, 24, false, scenePixel);
    const auto refuses = [](media::BitmapInfoHeader h, const uint8_t* rows, int quality) {
        Compressor compressor;
        int32_t size = 1 << 20;
        EXPECT_THROW(compressor.compress(h, rows, h, quality, size), CompressError);
    };
    media::BitmapInfoHeader h = good.header;
    h.biBitCount = 8;
    refuses(h, good.rows.data(), 10000);
    h = good.header;
    h.biWidth = 0;
    refuses(h, good.rows.data(), 10000);
    h = good.header;
    h.biHeight = 0;
    refuses(h, good.rows.data(), 10000);
    h = good.header;
    h.biWidth = 8193;
    refuses(h, good.rows.data(), 10000);
    h = good.header;
    h.biHeight = INT32_MIN;
    refuses(h, good.rows.data(), 10000);
    h = good.header;
    h.biCompression = media::kBiBitfields;
    refuses(h, good.rows.data(), 10000);
    refuses(good.header, nullptr, 10000);
    refuses(good.header, good.rows.data(), 10001);
    refuses(good.header, good.rows.data(), -2);
}

TEST(Compressor, WideFramesTakeMoreStripsToStayUnder64KiB)
{
    const Dib dib = makeDib(8192, 96, 32, false, scenePixel);
    const Encoded e = encode(dib, 10000);
    std::vector<uint8_t> rgb;
    ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, 8192, 96, rgb), "");
    EXPECT_GT(stripCount(e.frame), 3);
}

TEST(Compressor, FfmpegDecodesOurFramesToTheSamePixels)
{
    namespace fs = std::filesystem;
    const char* base = std::getenv("KESTREL_TEST_TMP");
    const fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                         ("cinepak-encoder-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    const auto grey = [](int x, int y, uint8_t rgb[3]) {
        scenePixel(x, y, rgb);
        rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>((rgb[0] + rgb[1] + rgb[2]) / 3);
    };
    // Sizes that are not multiples of 4, grey books (4-byte entries), all-V1 strips.
    const struct {
        int width, height, quality;
        bool grey;
    } cases[] = {{320, 224, 10000, false}, {320, 224, 2500, false}, {61, 35, 0, false},
                 {96, 40, 9000, true}};
    for (const auto& c : cases) {
        const Dib dib = makeDib(c.width, c.height, 24, false,
                                c.grey ? std::function<void(int, int, uint8_t*)>(grey)
                                       : std::function<void(int, int, uint8_t*)>(scenePixel));
        const Encoded e = encode(dib, c.quality);
        std::vector<uint8_t> ours;
        ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, c.width, c.height, ours), "");
        const auto theirs = cinepak::test::ffmpegDecode({e.frame}, c.width, c.height, dir.string());
        EXPECT_TRUE(theirs[0] == ours) << c.width << "x" << c.height << " q" << c.quality;
    }
    fs::remove_all(dir);
}

} // namespace
