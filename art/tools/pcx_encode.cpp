#include "pcx_encode.h"

#include <algorithm>

namespace glimmer::art {
namespace {

void put16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Runs never cross a plane line, as common writers do.
void encodeLine(const std::uint8_t* line, int n, Bytes& out) {
    for (int i = 0; i < n;) {
        int run = 1;
        while (i + run < n && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

std::uint32_t next(std::uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

} // namespace

Bytes encodeIndexed(int width, int height, const Bytes& indexes, const Palette& palette) {
    Bytes out = encodePcx(width, height, 1, indexes);
    std::copy(palette.begin(), palette.end(), out.end() - 768);
    return out;
}

Palette duskPalette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = static_cast<std::uint8_t>(20 + i * 235 / 255);
        p[3 * i + 1] = static_cast<std::uint8_t>(10 + (i * i) / 400);
        p[3 * i + 2] = static_cast<std::uint8_t>(90 - i * 80 / 255);
    }
    p[3 * 8] = 12, p[3 * 8 + 1] = 8, p[3 * 8 + 2] = 20; // the ridge
    return p;
}

Bytes encodePcx(int width, int height, int planes, const Bytes& samples) {
    const int bpl = width + (width & 1);
    Bytes out(128, 0);
    out[0] = 10, out[1] = 5, out[2] = 1, out[3] = 8;
    put16(out, 8, width - 1);
    put16(out, 10, height - 1);
    put16(out, 12, 96);
    put16(out, 14, 96);
    out[65] = static_cast<std::uint8_t>(planes);
    put16(out, 66, bpl);
    put16(out, 68, 1);
    Bytes line(static_cast<std::size_t>(bpl));
    for (int y = 0; y < height; ++y)
        for (int p = 0; p < planes; ++p) {
            const auto* src = samples.data() + (static_cast<std::size_t>(y) * planes + p) * width;
            std::copy(src, src + width, line.begin());
            encodeLine(line.data(), bpl, out);
        }
    if (planes == 1) {
        out.push_back(12);
        for (int i = 0; i < 256; ++i)
            out.insert(out.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(255 - i)});
    }
    return out;
}

Bytes makePicture(int width, int height, int planes, Scene scene) {
    Bytes s(static_cast<std::size_t>(width) * height * planes);
    std::uint32_t seed = 0x9E3779B9u;
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int p = 0; p < planes; ++p)
            for (int x = 0; x < width; ++x) {
                int v = scene == Scene::Photo
                            ? (x * 3 + y * 2 + p * 85) / 8 + static_cast<int>(next(seed) % 24)
                            : ((x / 240) * 37 + (y / 120) * 53 + p * 11) * 7;
                s[i++] = static_cast<std::uint8_t>(v);
            }
    return encodePcx(width, height, planes, s);
}

} // namespace glimmer::art
