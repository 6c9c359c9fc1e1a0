// The four ways the picture window redraws its reference picture. Each is drawn from the
// reference copy, so they never add up.
#pragma once

#include <QImage>

namespace glimmer::edit {

enum class Orientation {
    Normal, // as loaded
    FlipH,  // mirrored left to right
    FlipV,  // mirrored top to bottom
    Rotate, // turned by half a turn (both mirrors)
};

// `source` drawn in the given orientation, at its own size.
[[nodiscard]] QImage oriented(const QImage& source, Orientation orientation);

} // namespace glimmer::edit
