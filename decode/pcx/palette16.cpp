#include "pcx/palette16.h"

#include <algorithm>

namespace pcx::detail {
namespace {

// The EGA's default colours, as PC Paintbrush assumes them for a file without a palette.
constexpr std::array<std::uint32_t, 16> kStandard = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};
// CGA palette 1 in its bright form: black, light cyan, light magenta, white.
constexpr std::array<std::uint32_t, 4> kCga = {0x000000, 0x55FFFF, 0xFF55FF, 0xFFFFFF};

std::uint32_t entry(const PcxHeader& h, int i) noexcept {
    const auto* e = &h.palette[static_cast<std::size_t>(3 * i)];
    return std::uint32_t{e[0]} << 16 | std::uint32_t{e[1]} << 8 | e[2];
}

int colour_count(Kind kind) noexcept {
    switch (kind) {
    case Kind::Packed1:
        return 2;
    case Kind::Packed2:
    case Kind::Planar2:
        return 4;
    case Kind::Planar3:
        return 8;
    default:
        return 16;
    }
}

} // namespace

void header_colours(const PcxHeader& h, Kind kind, Image& img) noexcept {
    const int n = colour_count(kind);
    const bool none = h.version == 3 || std::all_of(h.palette.begin(), h.palette.end(),
                                                    [](std::uint8_t b) { return b == 0; });
    for (int i = 0; i < n; ++i) {
        std::uint32_t c = entry(h, i);
        if (kind == Kind::Packed1)
            c = entry(h, 0) != entry(h, 1) ? c : (i == 0 ? 0x000000u : 0xFFFFFFu);
        else if (none)
            c = kind == Kind::Packed2 ? kCga[static_cast<std::size_t>(i)]
                                      : kStandard[static_cast<std::size_t>(i)];
        img.colours[static_cast<std::size_t>(i)] = 0xFF000000u | c;
    }
    img.colour_count = n;
}

} // namespace pcx::detail
