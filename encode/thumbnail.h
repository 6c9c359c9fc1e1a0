// Thumbnails: a picture made small for file managers, scaled smoothly.
#pragma once

#include <QImage>

namespace glimmer {

// `picture` with its longest side made `size` pixels, aspect kept, smoothly scaled; a picture
// no larger is returned as it is. A null image when memory runs out.
[[nodiscard]] QImage thumbnailImage(const QImage& picture, int size);

} // namespace glimmer
