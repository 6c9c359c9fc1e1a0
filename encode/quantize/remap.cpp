#include "quantize/remap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace glimmer {
namespace {

// The nearest entry of a palette, remembered per exact colour: pictures repeat colours.
class Nearest {
  public:
    Nearest(const QList<QRgb>& palette, int first) : m_palette(palette), m_first(first) {
        m_keys.fill(kEmpty);
    }
    int operator()(int r, int g, int b) {
        const std::uint32_t key = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
        const std::size_t slot = (key * 2654435761u) >> (32 - kBits);
        if (m_keys[slot] == key) return m_values[slot];
        int best = m_first;
        int bestDistance = INT32_MAX;
        for (int i = m_first; i < m_palette.size(); ++i) {
            const int dr = qRed(m_palette[i]) - r, dg = qGreen(m_palette[i]) - g,
                      db = qBlue(m_palette[i]) - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        m_keys[slot] = key;
        m_values[slot] = static_cast<std::uint8_t>(best);
        return best;
    }

  private:
    static constexpr int kBits = 14;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    const QList<QRgb>& m_palette;
    int m_first;
    std::array<std::uint32_t, 1 << kBits> m_keys;
    std::array<std::uint8_t, 1 << kBits> m_values{};
};

int clamp8(int v) {
    return std::clamp(v, 0, 255);
}

} // namespace

void remapOnto(const QImage& argb, const QList<QRgb>& palette, int first,
               const std::vector<bool>& masked, bool dither, QImage& out) {
    const int w = argb.width();
    auto nearest = std::make_unique<Nearest>(palette, first);
    // Errors carried to this row and the next, three channels a pixel, one pixel of margin.
    std::vector<int> here(3 * (w + 2)), below(3 * (w + 2));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* to = out.scanLine(y);
        std::fill(below.begin(), below.end(), 0);
        // Serpentine: every other row right to left, so errors do not drift one way.
        const bool back = dither && (y & 1);
        for (int n = 0; n < w; ++n) {
            const int x = back ? w - 1 - n : n;
            const std::size_t p = std::size_t(y) * w + x;
            if (!masked.empty() && masked[p]) {
                to[x] = 0;
                continue;
            }
            const int* e = &here[3 * (x + 1)];
            const int r = clamp8(qRed(in[x]) + e[0] / 16), g = clamp8(qGreen(in[x]) + e[1] / 16),
                      b = clamp8(qBlue(in[x]) + e[2] / 16);
            const int i = nearest->operator()(r, g, b);
            to[x] = static_cast<std::uint8_t>(i);
            if (!dither) continue;
            const int err[3] = {r - qRed(palette[i]), g - qGreen(palette[i]),
                                b - qBlue(palette[i])};
            const int ahead = back ? -1 : 1;
            for (int c = 0; c < 3; ++c) {
                here[3 * (x + 1 + ahead) + c] += err[c] * 7;
                below[3 * (x + 1 - ahead) + c] += err[c] * 3;
                below[3 * (x + 1) + c] += err[c] * 5;
                below[3 * (x + 1 + ahead) + c] += err[c];
            }
        }
        std::swap(here, below);
    }
}

} // namespace glimmer
