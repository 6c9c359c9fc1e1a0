// Binary PPM (P6) files written a row at a time, so that nothing but the picture and a row is
// held. PPM holds no alpha: it is dropped and the colours kept.
#pragma once

#include <QImage>

#include "encode/write_file.h"

namespace glimmer {

// The size of `image` as a PPM file.
[[nodiscard]] qint64 ppmSize(const QImage& image);

// Writes `image` as a PPM file of ppmSize() bytes, its rows converted as they are written.
// Throws Error: the sink's, and 7 when memory runs out.
void writePpm(const QImage& image, ByteSink& sink);

} // namespace glimmer
