#include "platform/units.h"

#include <cmath>

namespace glimmer::platform {

int px(int twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QColor colour(quint32 value) {
    if (value & 0x80000000u) {
        switch (value & 0xFFu) {
        case 0x05:
            return QColor(255, 255, 255); // window background
        case 0x0E:
            return QColor(255, 255, 255); // highlighted text
        case 0x0F:
            return QColor(192, 192, 192); // button face
        default:
            return QColor(0, 0, 0); // the text colours are black
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace glimmer::platform
