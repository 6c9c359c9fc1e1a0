#include "edit/orientation.h"

namespace glimmer::edit {

QImage oriented(const QImage& source, Orientation orientation) {
    switch (orientation) {
    case Orientation::Normal:
        return source;
    case Orientation::FlipH:
        return source.mirrored(true, false);
    case Orientation::FlipV:
        return source.mirrored(false, true);
    case Orientation::Rotate:
        return source.mirrored(true, true);
    }
    return source;
}

} // namespace glimmer::edit
