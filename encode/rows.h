// A picture's rows in the pixel format a writer wants, one at a time.
#pragma once

#include <QImage>
#include <new>

namespace glimmer {

// Row `y` of `image` in `format`: read where the picture holds it, else converted alone into
// `scratch`, so that a writer never holds a second picture. Throws std::bad_alloc.
inline const uchar* rowIn(const QImage& image, int y, QImage::Format format, QImage& scratch) {
    if (image.format() == format) return image.constScanLine(y);
    scratch = image.copy(0, y, image.width(), 1).convertToFormat(format);
    if (scratch.isNull()) throw std::bad_alloc();
    return scratch.constScanLine(0);
}

} // namespace glimmer
