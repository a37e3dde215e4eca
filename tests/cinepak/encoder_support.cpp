#include "encoder_support.h"

#include "cinepak/Decoder.h"
#include "media/ByteOrder.h"

#include <cmath>

namespace cinepak::test {

Dib makeDib(int width, int height, int bits, bool topDown,
            const std::function<void(int x, int y, uint8_t rgb[3])>& rgb)
{
    Dib dib;
    dib.header.biWidth = width;
    dib.header.biHeight = topDown ? -height : height;
    dib.header.biBitCount = static_cast<uint16_t>(bits);
    const size_t stride = static_cast<size_t>(media::dibRowSize(bits, width));
    dib.header.biSizeImage = static_cast<uint32_t>(stride * static_cast<size_t>(height));
    dib.rows.assign(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = dib.rows.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint8_t c[3];
            rgb(x, y, c);
            if (bits == 16) {
                const unsigned w = ((c[0] >> 3u) << 10) | ((c[1] >> 3u) << 5) | (c[2] >> 3u);
                media::writeLE16(row + x * 2, static_cast<uint16_t>(w));
            } else {
                uint8_t* p = row + x * (bits / 8);
                p[0] = c[2];
                p[1] = c[1];
                p[2] = c[0];
                if (bits == 32)
                    p[3] = 0xA5; // unused byte: must not matter
            }
        }
    }
    return dib;
}

std::vector<uint8_t> dibToRgb(const Dib& dib)
{
    const int width = dib.header.biWidth;
    const bool topDown = dib.header.biHeight < 0;
    const int height = topDown ? -dib.header.biHeight : dib.header.biHeight;
    const int bits = dib.header.biBitCount;
    const size_t stride = static_cast<size_t>(media::dibRowSize(bits, width));
    std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row =
            dib.rows.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint8_t* o = &out[(static_cast<size_t>(y) * width + x) * 3];
            if (bits == 16) {
                const unsigned w = media::readLE16(row + x * 2);
                const unsigned c[3] = {(w >> 10) & 31, (w >> 5) & 31, w & 31};
                for (int k = 0; k < 3; ++k)
                    o[k] = static_cast<uint8_t>((c[k] << 3) | (c[k] >> 2));
            } else {
                const uint8_t* p = row + x * (bits / 8);
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            }
        }
    }
    return out;
}

void scenePixel(int x, int y, uint8_t rgb[3])
{
    // A sky gradient, a disc with an edge, a striped roof and pseudo-random grain.
    const double fx = x / 64.0, fy = y / 64.0;
    double r = 90 + 60 * std::sin(fx * 1.3) + 40 * fy;
    double g = 120 + 50 * std::cos(fy * 1.7 + fx * 0.4);
    double b = 200 - 30 * fy;
    const double dx = x - 40.0, dy = y - 30.0;
    if (dx * dx + dy * dy < 400) {
        r = 240;
        g = 180 + dx;
        b = 40;
    }
    if (y > 50 && ((x + y) / 3) % 2 == 0) {
        r *= 0.6;
        g *= 0.5;
    }
    const unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    const double grain = static_cast<double>(h % 17) - 8;
    const double c[3] = {r + grain, g + grain, b + grain};
    for (int k = 0; k < 3; ++k)
        rgb[k] = static_cast<uint8_t>(c[k] < 0 ? 0 : (c[k] > 255 ? 255 : c[k]));
}

bool decodeWithDecoder(const std::vector<uint8_t>& frame, int width, int height,
                       std::vector<uint8_t>& rgb, std::string* error)
{
    cinepak::Decoder decoder(width, height);
    if (!decoder.decode(frame.data(), frame.size(), error))
        return false;
    rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row =
            decoder.dibRows() + decoder.dibRowSize() * static_cast<size_t>(height - 1 - y);
        uint8_t* out = &rgb[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            out[x * 3 + 0] = row[x * 3 + 2];
            out[x * 3 + 1] = row[x * 3 + 1];
            out[x * 3 + 2] = row[x * 3 + 0];
        }
    }
    return true;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sse = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        sse += d * d;
    }
    if (sse == 0)
        return 99.0;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sse);
}

} // namespace cinepak::test
