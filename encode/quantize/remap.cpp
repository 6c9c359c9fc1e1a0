#include "quantize/remap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "quantize/nearest.h"

namespace glimmer {
namespace {

// Floyd-Steinberg error diffusion, its errors kept sixteen times their size. The carried error
// is weakened to 27/32 and a large one to 3/4, and a colour may overshoot the range by 25
// levels: chosen on real textures, where full errors make noise that a blur does not hide.
constexpr int kCarried = 27, kCarriedShift = 9; // 16 * 32 = 2^9
constexpr int kOvershoot = 25, kLargeError = 64 * 64;

// The pixel's colour plus the error carried to it, scaled back as a whole where it would
// overshoot, so the error keeps its hue.
void withError(const int v[3], const int* carried, int t[3]) {
    bool outside = false;
    for (int c = 0; c < 3; ++c) {
        t[c] = v[c] + ((carried[c] * kCarried + (1 << (kCarriedShift - 1))) >> kCarriedShift);
        outside = outside || t[c] < -kOvershoot || t[c] > 255 + kOvershoot;
    }
    if (!outside) return;
    float ratio = 1.f;
    for (int c = 0; c < 3; ++c) {
        const int s = t[c] - v[c];
        if (t[c] > 255 + kOvershoot) ratio = std::min(ratio, float(255 + kOvershoot - v[c]) / s);
        if (t[c] < -kOvershoot) ratio = std::min(ratio, float(-kOvershoot - v[c]) / s);
    }
    for (int c = 0; c < 3; ++c)
        t[c] = v[c] + static_cast<int>(float(t[c] - v[c]) * ratio);
}

// Passes a pixel's error on: 7/16 ahead, 3/16, 5/16 and 1/16 on the row below.
void spread(int err[3], int* here, int* below, int ahead) {
    if (err[0] * err[0] + err[1] * err[1] + err[2] * err[2] > kLargeError)
        for (int c = 0; c < 3; ++c)
            err[c] = err[c] * 3 / 4;
    for (int c = 0; c < 3; ++c) {
        here[3 * ahead + c] += err[c] * 7;
        below[-3 * ahead + c] += err[c] * 3;
        below[c] += err[c] * 5;
        below[3 * ahead + c] += err[c];
    }
}

} // namespace

void remapOnto(PixelRows& pixels, const QList<QRgb>& palette, int first, bool dither, QImage& out) {
    const int w = pixels.width();
    NearestColour nearest(palette, first);
    // Errors carried to this row and the next, three channels a pixel, one pixel of margin.
    std::vector<int> here(3 * (w + 2)), below(3 * (w + 2));
    int last = first;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* in = pixels.row(y);
        std::uint8_t* to = out.scanLine(y);
        std::fill(below.begin(), below.end(), 0);
        // Serpentine: every other row right to left, so errors do not drift one way.
        const int ahead = dither && (y & 1) ? -1 : 1;
        for (int n = 0; n < w; ++n) {
            const int x = ahead < 0 ? w - 1 - n : n;
            if (pixels.masked(in[x])) {
                to[x] = 0;
                continue;
            }
            const int v[3] = {qRed(in[x]), qGreen(in[x]), qBlue(in[x])};
            int t[3];
            withError(v, &here[3 * (x + 1)], t);
            const int r = std::clamp(t[0], 0, 255), g = std::clamp(t[1], 0, 255),
                      b = std::clamp(t[2], 0, 255);
            const int i = last = nearest(r, g, b, last);
            to[x] = static_cast<std::uint8_t>(i);
            if (!dither) continue;
            int err[3] = {t[0] - qRed(palette[i]), t[1] - qGreen(palette[i]),
                          t[2] - qBlue(palette[i])};
            spread(err, &here[3 * (x + 1)], &below[3 * (x + 1)], ahead);
        }
        std::swap(here, below);
    }
}

} // namespace glimmer
