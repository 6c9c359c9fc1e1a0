// BMP files laid out as Qt's writer lays them out, written a row at a time so that nothing
// but the picture and a row is held: 1 bit a pixel for two-colour pictures, 4 or 8 for
// paletted ones (4 for at most 16 colours), 24 otherwise. BMP holds no alpha: it is dropped
// and the colours kept.
#pragma once

#include <QImage>

#include "encode/write_file.h"

namespace glimmer {

// The size of `image` as a BMP file. Throws Error 6 when a BMP file cannot hold it (its size
// is a 32-bit number).
[[nodiscard]] qint64 bmpSize(const QImage& image);

// Writes `image` as a BMP file of bmpSize() bytes, its rows converted as they are written.
// Throws Error: the sink's, and 7 when memory runs out.
void writeBmp(const QImage& image, ByteSink& sink);

} // namespace glimmer
