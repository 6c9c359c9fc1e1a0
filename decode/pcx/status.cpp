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
    case Status::UnknownKind:
        return "not a kind of PCX the format describes";
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
    case Status::LineTooShort:
        return "BytesPerLine holds fewer pixels than the width";
    case Status::TooLarge:
        return "picture is larger than allowed";
    case Status::OutOfMemory:
        return "not enough memory for the picture";
    case Status::DcxTableCut:
        return "DCX file ends inside its table of pages";
    case Status::DcxNoPages:
        return "DCX file lists no pages";
    case Status::DcxTooManyPages:
        return "DCX table lists more than 1023 pages";
    case Status::DcxPageOutside:
        return "DCX page starts past the end of the file";
    case Status::DcxPageInTable:
        return "DCX page starts inside the table of pages";
    case Status::DcxPageOrder:
        return "DCX pages are not listed in file order";
    }
    return "unknown";
}

} // namespace pcx
