#include "tga/status.h"

namespace tga {

std::string_view to_string(Status s) noexcept {
    switch (s) {
    case Status::Ok:
        return "decoded";
    case Status::NoImageData:
        return "a TGA file without a picture (image type 0)";
    case Status::UnknownType:
        return "a TGA image type that is neither colour-mapped, true-colour nor grey";
    case Status::UnsupportedDepth:
        return "a TGA pixel depth its image type does not have";
    case Status::BadMapEntrySize:
        return "TGA colour-map entries of other than 8, 15, 16, 24 or 32 bits";
    case Status::TruncatedHeader:
        return "file is shorter than the 18-byte TGA header";
    case Status::NoColourMap:
        return "a colour-mapped TGA picture without a colour map";
    case Status::EmptyPicture:
        return "width or height is 0";
    case Status::MapPastEnd:
        return "file ends inside the image ID or the colour map";
    case Status::DataTooShort:
        return "picture data is too short for the claimed size";
    case Status::DataEnded:
        return "picture data ends before the last pixel";
    case Status::TooLarge:
        return "picture is larger than allowed";
    case Status::OutOfMemory:
        return "not enough memory for the picture";
    }
    return "unknown";
}

int status_number(Status s) noexcept {
    switch (s) {
    case Status::Ok:
        return 0;
    case Status::NoImageData:
    case Status::UnknownType:
    case Status::UnsupportedDepth:
    case Status::BadMapEntrySize:
        return 481;
    case Status::TooLarge:
    case Status::OutOfMemory:
        return 7;
    case Status::MapPastEnd:
        return 63;
    default:
        return 9;
    }
}

} // namespace tga
