// How often each colour of a picture occurs, the input of a palette search.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace glimmer {

struct ColourCount {
    std::uint8_t r, g, b;
    std::uint32_t count;
};

// The colours of the pixels of `argb` (Format_ARGB32, alpha ignored) whose `masked` flag is
// clear (`masked` may be empty; else one flag a pixel, row by row). A picture of more than
// `exact` distinct colours is counted in cubes of 2 x 2 x 2 levels, each entry at the mean of
// its pixels, and the cubes made larger while there are more than `cubes`; so the list, and
// what counting holds, stay small whatever the picture.
std::vector<ColourCount> countColours(const QImage& argb, const std::vector<bool>& masked,
                                      std::size_t exact, std::size_t cubes);

} // namespace glimmer
