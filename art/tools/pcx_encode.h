// A plain PCX writer and the generated pictures the benchmarks decode.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace glimmer::art {

using Bytes = std::vector<std::uint8_t>;
using Palette = std::array<std::uint8_t, 768>; // red, green, blue for each of 256 entries

enum class Scene { Photo, Flat };

// Writes an 8-bit PCX with `planes` planes (1 with a grey palette, or 3) from plane rows:
// `samples` holds height lines, each of planes * width bytes, plane by plane.
Bytes encodePcx(int width, int height, int planes, const Bytes& samples);

// An 8-bit one-plane PCX with the given palette.
Bytes encodeIndexed(int width, int height, const Bytes& indexes, const Palette& palette);

// Deep blue through purple to orange, for the sample skies.
Palette duskPalette();

// A generated picture: Photo is a noisy gradient with few runs, Flat is large even areas.
Bytes makePicture(int width, int height, int planes, Scene scene);

} // namespace glimmer::art
