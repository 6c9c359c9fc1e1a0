#include "pcx/status.h"

#include <array>
#include <cstddef>

#include "pcx/decode.h"

namespace pcx {
namespace {

constexpr std::string_view cause(Status s) noexcept {
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

constexpr int number(Status s) noexcept {
    switch (s) {
    case Status::Ok:
    case Status::NotEightBit:
    case Status::UnsupportedPlanes:
    case Status::NoPalette:
    case Status::BadDimensions:
    case Status::UnknownKind:
        return 0;
    case Status::WidthOverflow:
    case Status::HeightOverflow:
    case Status::LineOverflow:
        return 6;
    case Status::TooLarge:
    case Status::OutOfMemory:
        return 7;
    case Status::PaletteBeforeStart:
    case Status::DcxTableCut:
    case Status::DcxNoPages:
    case Status::DcxTooManyPages:
    case Status::DcxPageOutside:
    case Status::DcxPageInTable:
    case Status::DcxPageOrder:
        return 63;
    default:
        return 9;
    }
}

// The viewer's own words for the kinds it refuses with a message.
constexpr std::string_view refusal_words(Status s) noexcept {
    switch (s) {
    case Status::NotEightBit:
    case Status::BadDimensions:
        return "Sorry, can't load that pcx file!";
    case Status::NoPalette:
        return "The PCX that was passed didn't have a 256 colour palette! Can't read it!";
    default:
        return "";
    }
}

// The texts are joined at compile time, so that a caller gets a plain C string and a text
// longer than a line fails the build instead of being cut.
using Line = std::array<char, 112>;

struct LineWriter {
    Line line{};
    std::size_t n = 0;
    constexpr void put(std::string_view t) {
        for (const char c : t)
            line.at(n++) = c;
    }
    constexpr void put(std::size_t v) {
        if (v >= 10) put(v / 10);
        line.at(n++) = static_cast<char>('0' + v % 10);
    }
};

constexpr Line line_of(Status s) {
    LineWriter w;
    if (number(s) == 0) {
        w.put(refusal_words(s));
        return w.line;
    }
    w.put(s == Status::TooLarge ? kTooLargeText : standard_text(number(s)));
    w.put(": ");
    w.put(cause(s));
    if (s == Status::TooLarge) { // the limit said with its number, from the one place it is set
        w.put(" (");
        w.put(Options{}.max_pixel_bytes >> 20);
        w.put(" MiB of pixels)");
    }
    return w.line;
}

constexpr std::size_t kStatuses = static_cast<std::size_t>(Status::DcxPageOrder) + 1;

constexpr std::array<Line, kStatuses> kLines = [] {
    std::array<Line, kStatuses> lines{};
    for (std::size_t i = 0; i < kStatuses; ++i)
        lines[i] = line_of(static_cast<Status>(i));
    return lines;
}();

} // namespace

std::string_view to_string(Status s) noexcept {
    return cause(s);
}

int status_number(Status s) noexcept {
    return number(s);
}

const char* status_text(Status s) noexcept {
    const auto i = static_cast<std::size_t>(s);
    return i < kStatuses ? kLines[i].data() : "";
}

} // namespace pcx
