// Outcomes of a TGA decode: one value per cause, so callers and tests can tell them apart.
#pragma once

#include <cstdint>
#include <string_view>

namespace tga {

enum class Status : std::uint8_t {
    Ok,

    // Kinds no reader takes: the file is a TGA file, but not one of a kind Glimmer reads.
    NoImageData,      // image type 0: a header without a picture
    UnknownType,      // an image type other than 1, 2, 3, 9, 10 or 11 (Huffman-coded, ...)
    UnsupportedDepth, // bits a pixel that the image type does not have (16-bit indexes too)
    BadMapEntrySize,  // colour-map entries of other than 8, 15, 16, 24 or 32 bits

    // Errors: the file claims a kind that is read but cannot be decoded.
    TruncatedHeader, // shorter than the 18-byte header
    NoColourMap,     // a colour-mapped picture without a colour map
    EmptyPicture,    // width or height 0
    MapPastEnd,      // the file ends inside the image ID or the colour map
    DataTooShort,    // even the longest packets could not fill the claimed picture
    DataEnded,       // the picture data ran out before the last pixel
    TooLarge,        // the picture is larger than the caller allows
    OutOfMemory,     // the pixel buffer could not be allocated
};

// A short English description for programmers and logs; not localised.
[[nodiscard]] std::string_view to_string(Status s) noexcept;

// The numbered error a failure comes to: 481 for a kind that is not read, 7 memory, 9 out of
// range, 63 bad file position; 0 for Status::Ok.
[[nodiscard]] int status_number(Status s) noexcept;

} // namespace tga
