#include "encode/thumbnail.h"

#include <algorithm>
#include <cmath>

namespace glimmer {

QImage thumbnailImage(const QImage& picture, int size) {
    const int w = picture.width(), h = picture.height();
    const int longest = std::max(w, h);
    if (longest <= size) return picture;
    // Qt's own aspect rounding can make a side 0 for a long, thin picture.
    const auto side = [&](int n) {
        return std::max(1, static_cast<int>(std::lround(static_cast<double>(n) * size / longest)));
    };
    // Qt scales only 32-bit pictures smoothly: an 8-bit one would be sampled, not averaged.
    // Alpha is kept, premultiplied so that transparent pixels lend no colour.
    const QImage rgb = picture.convertToFormat(
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (rgb.isNull()) return rgb;
    return rgb.scaled(side(w), side(h), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace glimmer
