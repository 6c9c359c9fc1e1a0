// Generated pictures that look like the game's screenshots: sky, brick walls at several
// distances, a tiled floor in perspective, a weapon and a status bar. For measuring the batch
// converter and its PNG encoder on pictures that compress as screenshots do.
#pragma once

#include <cstdint>

#include "pcx_encode.h"

namespace glimmer::art {

// A PCX of the given size: 8-bit paletted for planes == 1, 24-bit for planes == 3. The same
// seed gives the same picture.
Bytes makeScreenshot(int width, int height, int planes, std::uint32_t seed);

// The size and kind of picture number n of a set: 640 x 480 up to 1920 x 1080, both kinds.
struct ShotShape {
    int width, height, planes;
};
ShotShape screenshotShape(int n);

} // namespace glimmer::art
