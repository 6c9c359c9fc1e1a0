// Draws the sample pictures that ship in the program folder, so a first start has something
// to show. Usage: make_samples DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "pcx_encode.h"

using glimmer::art::Bytes;

namespace {

void save(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A dusk sky over a dark ridge, 256 colours, odd width to exercise the pad byte.
Bytes dusk(int w, int h) {
    Bytes s(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double ridge = h * 0.72 + std::sin(x * 0.031) * h * 0.06 + std::sin(x * 0.11) * 6;
            const int sky = 9 + 246 * y / h; // index 8 is the ridge
            s[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(y > ridge ? 8 : sky);
        }
    return glimmer::art::encodeIndexed(w, h, s, glimmer::art::duskPalette());
}

// A true-colour arena floor: checker tiles lit by a round light.
Bytes arena(int w, int h) {
    Bytes s(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < w; ++x) {
                const double dx = x - w * 0.5, dy = y - h * 0.4;
                const double light = std::max(0.15, 1.0 - std::sqrt(dx * dx + dy * dy) / (w * 0.6));
                const int tile = ((x / 40) + (y / 40)) % 2 ? 150 : 90;
                const int tint[3] = {tile + 40, tile, tile - 30};
                s[(static_cast<std::size_t>(y) * 3 + c) * w + x] =
                    static_cast<std::uint8_t>(std::clamp(tint[c] * light, 0.0, 255.0));
            }
    return glimmer::art::encodePcx(w, h, 3, s);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    save(dir + "/DUSK.PCX", dusk(401, 240));
    save(dir + "/ARENA.PCX", arena(480, 320));
    save(dir + "/FLAT.PCX", glimmer::art::makePicture(320, 200, 1, glimmer::art::Scene::Flat));
    return 0;
}
