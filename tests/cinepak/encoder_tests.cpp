// The compressor's promises: the key-frame layout the Saturn repacking relies on, for
// every size and input depth; the output block; determinism; the size limit; quality
// steering size and picture; refusal of input it cannot take; and agreement with an
// independent decoder (ffmpeg).
#include "cinepak/Compressor.h"
#include "encoder_support.h"
#include "media/ByteOrder.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>


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

    std::vector<uint8_t> rgb, decoded;
    ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, c.width, c.height, rgb), "");
    std::string error;
    ASSERT_TRUE(cinepak::test::decodeWithDecoder(e.frame, c.width, c.height, decoded, &error))
        << error;
    EXPECT_TRUE(decoded == rgb) << "the decoder draws the frame differently";
    if (c.width * c.height <= 320 * 240) {
        EXPECT_GE(stripCount(e.frame), 1);
        EXPECT_LE(stripCount(e.frame), 3);
    }
    // A plainly wrong picture (swapped channels, flipped rows, shifted blocks) falls far
    // below this; the scene's colour stripes keep even the best frame near 27 dB.
    const double floor = c.quality >= 5000 ? 25.0 : 22.0;
    EXPECT_GT(cinepak::test::psnr(rgb, cinepak::test::dibToRgb(dib)), floor);
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndDepths, FrameRules,
    ::testing::Values(SizeCase{1, 1, 24, false, 10000}, SizeCase{1, 1, 16, true, 0},
                      SizeCase{3, 5, 32, false, 10000}, SizeCase{3, 5, 16, false, 5000},
                      SizeCase{4, 4, 24, true, 10000}, SizeCase{4, 4, 32, true, 0},
                      SizeCase{320, 224, 24, false, 10000}, SizeCase{320, 224, 16, true, 7000},
                      SizeCase{320, 224, 32, false, 2000}, SizeCase{352, 240, 32, true, 10000},
                      SizeCase{352, 240, 24, false, 4000}, SizeCase{641, 479, 24, false, 10000},
                      SizeCase{641, 479, 16, true, 8000}),
    [](const ::testing::TestParamInfo<SizeCase>& param) {
        const SizeCase& c = param.param;
        return std::to_string(c.width) + "x" + std::to_string(c.height) + "_" +
               std::to_string(c.bits) + "bit_" + (c.topDown ? "topdown" : "bottomup") + "_q" +
               std::to_string(c.quality);
    });

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
    for (int32_t tooSmall : {100, 0, -1}) {
        int32_t size = tooSmall;
        EXPECT_THROW(compressor.compress(dib.header, dib.rows.data(), dib.header, 10000, size),
                     CompressError)
            << tooSmall;
    }
}

TEST(Compressor, HigherQualityGivesLargerFramesAndBetterPictures)
{
    // Every choice trades bytes for picture at the same price, so frame size and picture
    // rise with quality. Books are trained per quality, so two nearby qualities may land a
    // few bytes or a hair of a dB out of order (an extra V1 entry can turn V4 blocks into
    // cheaper V1 blocks); anything beyond that is a fault.
    const Dib dib = makeDib(64, 48, 24, false, scenePixel);
    const std::vector<uint8_t> source = cinepak::test::dibToRgb(dib);
    std::vector<size_t> sizes;
    std::vector<double> pictures;
    for (int q = 0; q <= 10000; q += 500) {
        const Encoded e = encode(dib, q);
        std::vector<uint8_t> rgb;
        ASSERT_EQ(cinepak::test::checkAndDecode(e.frame, 64, 48, rgb), "");
        sizes.push_back(e.frame.size());
        pictures.push_back(cinepak::test::psnr(rgb, source));
    }
    for (size_t i = 1; i < sizes.size(); ++i) {
        EXPECT_GE(static_cast<double>(sizes[i]), 0.995 * static_cast<double>(sizes[i - 1]))
            << "quality " << i * 500;
        EXPECT_GE(pictures[i], pictures[i - 1] - 0.02) << "quality " << i * 500;
    }
    EXPECT_GT(sizes.back(), 2 * sizes.front());
    EXPECT_GT(pictures.back(), pictures.front() + 2.0);
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
    h = good.header;
    h.biSizeImage -= 1;
    refuses(h, good.rows.data(), 10000);
    refuses(good.header, nullptr, 10000);
    refuses(good.header, good.rows.data(), 10001);
    refuses(good.header, good.rows.data(), -2);
}

TEST(Compressor, PicturesTooLargeForStripsUnder64KiBAreRefusedAtOnce)
{
    // 8192 x 8192 needs 128 KiB per strip even with 32 strips of one-byte blocks; the
    // check comes before any pixel is read, so the rows need not exist.
    media::BitmapInfoHeader h;
    h.biWidth = 8192;
    h.biHeight = 8192;
    h.biBitCount = 24;
    const uint8_t pixel[4] = {};
    Compressor compressor;
    int32_t size = 1 << 24;
    EXPECT_THROW(compressor.compress(h, pixel, h, 10000, size), CompressError);
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
    const testsupport::TempDir dir;

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
        std::vector<uint8_t> decoded;
        ASSERT_TRUE(cinepak::test::decodeWithDecoder(e.frame, c.width, c.height, decoded, nullptr));
        const auto theirs = cinepak::test::ffmpegDecode({e.frame}, c.width, c.height, dir.path());
        EXPECT_TRUE(theirs[0] == ours) << c.width << "x" << c.height << " q" << c.quality;
        EXPECT_TRUE(theirs[0] == decoded) << c.width << "x" << c.height << " q" << c.quality;
    }
}

} // namespace
