#include "tga/pixels.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tga::detail {
namespace {

// Five bits widened to eight, the top bits repeated below them, so 31 is 255.
constexpr std::array<std::uint8_t, 32> kFive = [] {
    std::array<std::uint8_t, 32> t{};
    for (unsigned c = 0; c < 32; ++c)
        t[c] = static_cast<std::uint8_t>(c << 3 | c >> 2);
    return t;
}();

std::uint32_t argb(unsigned a, unsigned r, unsigned g, unsigned b) noexcept {
    return a << 24 | r << 16 | g << 8 | b;
}

// A colour kept premultiplied by its alpha, made straight.
std::uint32_t straight(std::uint32_t c) noexcept {
    const unsigned a = c >> 24;
    if (a == 255) return c;
    if (a == 0) return 0;
    const auto un = [a](unsigned v) { return std::min(255u, (v * 255 + a / 2) / a); };
    return argb(a, un(c >> 16 & 255), un(c >> 8 & 255), un(c & 255));
}

// A stored colour of 8 (grey), 15, 16, 24 or 32 bits (blue first) as 0xAARRGGBB.
std::uint32_t colour(const std::uint8_t* p, int bits, Alpha alpha) noexcept {
    std::uint32_t c = 0;
    switch (bits) {
    case 8:
        return argb(255, p[0], p[0], p[0]);
    case 15:
    case 16: {
        const unsigned v = p[0] | p[1] << 8;
        const unsigned a = alpha != Alpha::None && (v & 0x8000) == 0 ? 0 : 255;
        c = argb(a, kFive[v >> 10 & 31], kFive[v >> 5 & 31], kFive[v & 31]);
        break;
    }
    default:
        c = argb(bits == 32 && alpha != Alpha::None ? p[3] : 255, p[2], p[1], p[0]);
        break;
    }
    return alpha == Alpha::Premultiplied ? straight(c) : c;
}

bool carries_alpha(const Header& h) noexcept {
    switch (h.base_type()) {
    case 1:
        return h.map_entry_bits == 16 || h.map_entry_bits == 32;
    case 2:
        return h.pixel_bits == 16 || h.pixel_bits == 32;
    default:
        return h.pixel_bits == 16;
    }
}

} // namespace

Alpha alpha_of(const Header& h, std::span<const std::uint8_t> file) noexcept {
    if (!carries_alpha(h)) return Alpha::None;
    if (const auto type = extension_alpha(file)) {
        if (*type == 3) return Alpha::Straight;
        if (*type == 4) return Alpha::Premultiplied;
        return Alpha::None;
    }
    // A byte of alpha is alpha whatever the descriptor says (netpbm and GIMP's colour maps
    // give it no bits there); the top bit of a 16-bit colour is not, as most readers take it.
    const int bits = h.base_type() == 1 ? h.map_entry_bits : h.pixel_bits;
    return h.base_type() != 3 && bits == 16 ? Alpha::None : Alpha::Straight;
}

pcx::PixelFormat format_of(const Header& h, Alpha alpha) noexcept {
    if (h.base_type() == 1 || (h.base_type() == 3 && h.pixel_bits == 8))
        return pcx::PixelFormat::Indexed8;
    return alpha == Alpha::None ? pcx::PixelFormat::Rgb32 : pcx::PixelFormat::Argb32;
}

void read_colours(const Header& h, std::span<const std::uint8_t> file, Alpha alpha,
                  pcx::Image& img) noexcept {
    img.colour_count = 256;
    if (h.base_type() == 3) {
        for (unsigned i = 0; i < 256; ++i)
            img.colours[i] = argb(255, i, i, i);
        return;
    }
    img.colours.fill(argb(255, 0, 0, 0));
    const std::uint8_t* map = file.data() + kHeaderSize + h.id_length;
    const std::size_t entry = h.map_entry_bytes();
    // Every index has a colour, those the map does not reach too.
    for (std::size_t i = 0; i < h.map_length && h.map_first + i < 256; ++i)
        img.colours[h.map_first + i] = colour(map + i * entry, h.map_entry_bits, alpha);
}

void convert_row(const Header& h, Alpha alpha, pcx::PixelFormat format, const std::uint8_t* in,
                 std::uint8_t* out) noexcept {
    const std::size_t w = h.width;
    const bool mirror = h.right_to_left();
    if (format == pcx::PixelFormat::Indexed8) {
        if (!mirror) std::memcpy(out, in, w);
        for (std::size_t i = 0; mirror && i < w; ++i)
            out[w - 1 - i] = in[i];
        return;
    }
    auto* words = reinterpret_cast<std::uint32_t*>(out);
    const std::size_t step = h.pixel_bytes();
    for (std::size_t i = 0; i < w; ++i, in += step) {
        std::uint32_t c = 0;
        if (h.base_type() == 3) { // grey and alpha
            const unsigned a = alpha == Alpha::None ? 255 : in[1];
            c = argb(a, in[0], in[0], in[0]);
            if (alpha == Alpha::Premultiplied) c = straight(c);
        } else {
            c = colour(in, h.pixel_bits, alpha);
        }
        words[mirror ? w - 1 - i : i] = c;
    }
}

} // namespace tga::detail
