#include "pcx/status.h"

namespace pcx {

std::string_view to_string(Status s) noexcept {
    switch (s) {
    case Status::Ok:
        return "decoded";
    case Status::NotEightBit:
        return "not an 8-bit picture";
    case Status::UnsupportedPlanes:
        return "unsupported number of planes";
    case Status::NoPalette:
        return "no 256-colour palette marker";
    case Status::BadDimensions:
        return "width or height below 1, or negative line length";
    case Status::WidthOverflow:
        return "width does not fit in 16 bits";
    case Status::HeightOverflow:
        return "height does not fit in 16 bits";
    case Status::LineOverflow:
        return "scan-line length does not fit in 16 bits";
    case Status::TruncatedHeader:
        return "file is shorter than its 128-byte header";
    case Status::PaletteBeforeStart:
        return "file is too short to hold a 256-colour palette";
    case Status::EmptyScanLine:
        return "scan-line length is 0";
    case Status::DataTooShort:
        return "picture data is too short for the claimed size";
    case Status::DataEnded:
        return "picture data ends before the last row";
    case Status::PlaneReadOutside:
        return "width exceeds the scan-line length";
    case Status::TooLarge:
        return "picture is larger than allowed";
    case Status::OutOfMemory:
        return "not enough memory for the picture";
    }
    return "unknown";
}

} // namespace pcx
