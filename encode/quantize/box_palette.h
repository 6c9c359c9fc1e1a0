// A palette for colour counts: the colours split into boxes where the squared error falls most.
#pragma once

#include <QList>
#include <QRgb>
#include <vector>

#include "quantize/colour_counts.h"

namespace glimmer {

// At most `colours` entries, each the mean of the counts of its box. Boxes are split one at a
// time, the one whose split lowers the summed squared error most, along the channel and at the
// level that lower it most; no box of a single colour is split, so counts of at most `colours`
// colours come back exactly.
QList<QRgb> boxPalette(std::vector<ColourCount> counts, int colours);

} // namespace glimmer
