#include "screenshot_scene.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace glimmer::art {
namespace {

// 16 colour ramps of 16 shades each, dark to light, as the game's palette has them.
constexpr std::array<std::array<int, 3>, 16> kRamps{{{128, 128, 128},
                                                     {150, 100, 60},
                                                     {90, 110, 160},
                                                     {120, 90, 70},
                                                     {70, 120, 60},
                                                     {170, 60, 40},
                                                     {160, 140, 90},
                                                     {60, 60, 90},
                                                     {200, 170, 40},
                                                     {100, 100, 80},
                                                     {130, 70, 110},
                                                     {80, 140, 140},
                                                     {180, 120, 90},
                                                     {50, 90, 50},
                                                     {220, 90, 30},
                                                     {240, 230, 200}}};

std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// One pixel of the scene as a ramp and a shade 0..255 (light), before the kind is chosen.
struct Texel {
    int ramp;
    int light;
};

class ShotScene {
  public:
    ShotScene(int w, int h, std::uint32_t seed) : m_w(w), m_h(h), m_seed(seed) {
        m_horizon = h * (35 + static_cast<int>(mix(seed) % 15)) / 100;
        m_hud = h - h / 12;
        m_wallRamp = static_cast<int>(mix(seed + 1) % 6) + 1;
        m_floorRamp = static_cast<int>(mix(seed + 2) % 5) + 9;
    }

    Texel at(int x, int y) const {
        if (y >= m_hud) return hud(x, y);
        if (weapon(x, y)) return {0, 40 + (x * 3 + y) % 60};
        const double depth = wallDepth(x);
        const int half = static_cast<int>(m_h * 0.45 / depth);
        if (y < m_horizon - half) return sky(x, y);
        if (y <= m_horizon + half) return wall(x, y, depth);
        return floor(x, y);
    }

  private:
    double wallDepth(int x) const {
        // Walls in segments, each slanting from one depth to another.
        const int seg = m_w / 5 + 1;
        const int i = x / seg;
        const double d0 = 1.0 + (mix(m_seed + 10 + static_cast<std::uint32_t>(i)) % 400) / 100.0;
        const double d1 = 1.0 + (mix(m_seed + 11 + static_cast<std::uint32_t>(i)) % 400) / 100.0;
        const double t = static_cast<double>(x % seg) / seg;
        return d0 + (d1 - d0) * t;
    }
    Texel sky(int x, int y) const {
        const int cloud =
            static_cast<int>(mix(static_cast<std::uint32_t>(x / 24 + (y / 12) * 97) + m_seed) % 20);
        return {2, std::min(255, 120 + y * 100 / std::max(1, m_horizon) + cloud)};
    }
    Texel wall(int x, int y, double depth) const {
        const double scale = 1.0 / depth;
        const int bw = std::max(2, static_cast<int>(64 * scale));
        const int bh = std::max(2, static_cast<int>(32 * scale));
        const int row = (y - m_horizon + 10000 * bh) / bh;
        const int col = (x + (row % 2) * bw / 2) / bw;
        const bool mortar =
            (y - m_horizon + 10000 * bh) % bh == 0 || (x + (row % 2) * bw / 2) % bw == 0;
        const int brick = static_cast<int>(mix(static_cast<std::uint32_t>(row * 131 + col)) % 40);
        const int grain =
            static_cast<int>(mix(static_cast<std::uint32_t>(x * 7 + y * 13) ^ m_seed) % 24);
        const int light = static_cast<int>(230 * scale) + brick + grain;
        return {mortar ? 9 : m_wallRamp, std::clamp(mortar ? light / 2 : light, 0, 255)};
    }
    Texel floor(int x, int y) const {
        const double z = static_cast<double>(m_h) / std::max(1, y - m_horizon);
        const int u = static_cast<int>(std::floor((x - m_w / 2) * z / 48));
        const int v = static_cast<int>(std::floor(z * 6));
        const int grain = static_cast<int>(mix(static_cast<std::uint32_t>(x * 5 + y * 11)) % 16);
        const int light = std::clamp(
            static_cast<int>(255 / (0.6 + z * 0.25)) - ((u + v) & 1) * 40 + grain, 0, 255);
        return {m_floorRamp, light};
    }
    bool weapon(int x, int y) const {
        const int cx = m_w * 3 / 5, top = m_hud - m_h / 4;
        return y > top && std::abs(x - cx) < (y - top) / 2 + m_w / 40;
    }
    Texel hud(int x, int y) const {
        // Digits as blocks of a bright ramp on a dark bar.
        const int cell = std::max(4, (m_h - m_hud) / 2);
        const int gx = x / cell, gy = (y - m_hud) * 2 / std::max(1, m_h - m_hud);
        const bool lit =
            gx % 4 != 3 && gx < 16 && (mix(static_cast<std::uint32_t>(gx * 3 + gy)) & 1);
        return lit ? Texel{8, 230} : Texel{7, 30};
    }

    int m_w, m_h;
    std::uint32_t m_seed;
    int m_horizon, m_hud, m_wallRamp, m_floorRamp;
};

Palette rampPalette() {
    Palette p{};
    for (int r = 0; r < 16; ++r)
        for (int s = 0; s < 16; ++s)
            for (int c = 0; c < 3; ++c)
                p[3 * (r * 16 + s) + c] = static_cast<std::uint8_t>(kRamps[r][c] * (s + 2) / 17);
    return p;
}

} // namespace

Bytes makeScreenshot(int width, int height, int planes, std::uint32_t seed) {
    const ShotScene scene(width, height, seed);
    const std::size_t w = static_cast<std::size_t>(width);
    if (planes == 1) {
        Bytes indexes(w * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Texel t = scene.at(x, y);
                indexes[y * w + x] = static_cast<std::uint8_t>(t.ramp * 16 + t.light / 16);
            }
        return encodeIndexed(width, height, indexes, rampPalette());
    }
    Bytes samples(w * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Texel t = scene.at(x, y);
            for (int c = 0; c < 3; ++c)
                samples[(y * 3 + c) * w + x] =
                    static_cast<std::uint8_t>(kRamps[t.ramp][c] * (t.light + 32) / 288);
        }
    return encodePcx(width, height, 3, samples);
}

ShotShape screenshotShape(int n) {
    constexpr std::array<std::array<int, 2>, 7> kSizes{{{640, 480},
                                                        {800, 600},
                                                        {1024, 768},
                                                        {1280, 720},
                                                        {1280, 1024},
                                                        {1600, 900},
                                                        {1920, 1080}}};
    const auto& s = kSizes[static_cast<std::size_t>(n) % kSizes.size()];
    return {s[0], s[1], (n / 7) % 2 == 0 ? 1 : 3};
}

} // namespace glimmer::art
