// A plain PCX writer and the generated pictures the benchmarks decode.
#pragma once

#include <cstdint>
#include <vector>

namespace glimmer::bench {

using Bytes = std::vector<std::uint8_t>;

enum class Scene { Photo, Flat };

// Writes an 8-bit PCX with `planes` planes (1 with a grey palette, or 3) from plane rows:
// `samples` holds height lines, each of planes * width bytes, plane by plane.
Bytes encodePcx(int width, int height, int planes, const Bytes& samples);

// A generated picture: Photo is a noisy gradient with few runs, Flat is large even areas.
Bytes makePicture(int width, int height, int planes, Scene scene);

} // namespace glimmer::bench
