// Mapping pixels onto a fixed palette, nearest colour first, with optional error diffusion.
#pragma once

#include <QImage>
#include <QList>

#include "quantize/pixel_rows.h"

namespace glimmer {

// Indexes into `palette` for each pixel, choosing among entries `first` and up; masked pixels
// take index 0 and pass no error on. Writes into `out` (Indexed8 of the same size).
void remapOnto(PixelRows& pixels, const QList<QRgb>& palette, int first, bool dither, QImage& out);

} // namespace glimmer
