// Outcomes of a PCX decode: one value per cause, so callers and tests can tell them apart.
#pragma once

#include <cstdint>
#include <string_view>

namespace pcx {

enum class Status : std::uint8_t {
    Ok,

    // Refusals: the file is not a kind this decoder shows.
    NotEightBit,       // BitsPerPixel is not 8
    UnsupportedPlanes, // NPlanes is neither 1 nor 3
    NoPalette,         // the byte 769 before the end is not the marker 12
    BadDimensions,     // width or height below 1, or a negative scan-line length
    UnknownKind,       // reading every kind: no kind has these bits per pixel and planes

    // Errors: the file claims to be a supported kind but cannot be decoded.
    WidthOverflow,      // Xmax - Xmin + 1 does not fit 16 bits
    HeightOverflow,     // Ymax - Ymin + 1 does not fit 16 bits
    LineOverflow,       // NPlanes * BytesPerLine does not fit 16 bits
    TruncatedHeader,    // shorter than the 128-byte header
    PaletteBeforeStart, // shorter than the 769 bytes of marker and palette
    EmptyScanLine,      // BytesPerLine is 0 in an 8-bit picture
    DataTooShort,       // even the longest runs could not fill the claimed picture
    DataEnded,          // the data ran out before the last row (not for 24-bit pictures)
    PlaneReadOutside,   // a 24-bit column would read past the decoded planes
    LineTooShort,       // a scan line of BytesPerLine bytes holds fewer pixels than the width
    TooLarge,           // the picture is larger than the caller allows
    OutOfMemory,        // the pixel buffer could not be allocated

    // Errors of a DCX file's table of pages.
    DcxTableCut,     // the file ends inside the table
    DcxNoPages,      // the table is empty
    DcxTooManyPages, // more than 1023 pages: the table has no closing 0
    DcxPageOutside,  // a page starts at or past the end of the file
    DcxPageInTable,  // a page starts inside the table itself
    DcxPageOrder,    // a page starts at or before the page listed before it
};

// A short English description for programmers and logs; not localised.
[[nodiscard]] std::string_view to_string(Status s) noexcept;

// The numbered error a failure comes to (6 overflow, 7 memory, 9 out of range, 63 bad file
// position); 0 for Status::Ok and for refusals.
[[nodiscard]] int status_number(Status s) noexcept;

// The standard text of those numbers, the same wherever the number is told.
[[nodiscard]] constexpr std::string_view standard_text(int number) noexcept {
    switch (number) {
    case 6:
        return "Overflow";
    case 7:
        return "Out of memory";
    case 63:
        return "Bad file position";
    default:
        return "Out of range";
    }
}

// What a limit on size is told as, under error 7's number: no memory ran out.
inline constexpr std::string_view kTooLargeText = "Too large";

// What the user is told of `s`, written here once for every program that decodes: a failure's
// "<its number's standard text>: <the cause>", a refusal's words ("" for a kind refused without
// a word, which glimmer-pcx then names by to_string()).
[[nodiscard]] const char* status_text(Status s) noexcept;

} // namespace pcx
