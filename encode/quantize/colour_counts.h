// How often each colour of a picture occurs, the input of a palette search.
#pragma once

#include <cstdint>
#include <vector>

#include "quantize/pixel_rows.h"

namespace glimmer {

struct ColourCount {
    std::uint8_t r, g, b;
    std::uint32_t count;
};

// The colours of the unmasked pixels (alpha ignored). A picture of more than
// `exact` distinct colours is counted in cubes of 2 x 2 x 2 levels, each entry at the mean of
// its pixels, and the cubes made larger while there are more than `cubes`; so the list, and
// what counting holds, stay small whatever the picture.
std::vector<ColourCount> countColours(PixelRows& pixels, std::size_t exact, std::size_t cubes);

} // namespace glimmer
