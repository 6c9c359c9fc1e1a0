// The 18-byte TGA header, the optional TGA 2.0 footer and what they say of a picture's layout.
// Multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tga/status.h"

namespace tga {

inline constexpr std::size_t kHeaderSize = 18;
inline constexpr std::size_t kFooterSize = 26;

struct Header {
    std::uint8_t id_length = 0;      // bytes of image ID after the header, skipped
    std::uint8_t map_type = 0;       // 1 when a colour map follows the ID
    std::uint8_t image_type = 0;     // 1 mapped, 2 true colour, 3 grey; +8 run-length
    std::uint16_t map_first = 0;     // the index of the map's first entry
    std::uint16_t map_length = 0;    // entries in the map
    std::uint8_t map_entry_bits = 0; // 8 (grey), 15, 16, 24 or 32
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixel_bits = 0;
    std::uint8_t descriptor = 0; // bits 0-3 alpha bits, 4 right to left, 5 top to bottom

    // Reads the header from the start of `file`; bytes past a short file's end read as 0.
    [[nodiscard]] static Header parse(std::span<const std::uint8_t> file) noexcept;

    [[nodiscard]] bool rle() const noexcept { return image_type >= 9; }
    // 1 colour-mapped, 2 true colour, 3 grey, whether run-length encoded or not.
    [[nodiscard]] int base_type() const noexcept { return image_type & 7; }
    [[nodiscard]] int alpha_bits() const noexcept { return descriptor & 0x0F; }
    [[nodiscard]] bool right_to_left() const noexcept { return (descriptor & 0x10) != 0; }
    [[nodiscard]] bool top_down() const noexcept { return (descriptor & 0x20) != 0; }
    [[nodiscard]] std::size_t pixel_bytes() const noexcept { return (pixel_bits + 7u) / 8u; }
    [[nodiscard]] std::size_t map_entry_bytes() const noexcept {
        return (map_entry_bits + 7u) / 8u;
    }
    [[nodiscard]] std::size_t map_bytes() const noexcept {
        return map_type == 1 ? std::size_t{map_length} * map_entry_bytes() : 0;
    }
    // Where the pixel data starts: after the header, the ID and the colour map.
    [[nodiscard]] std::size_t data_offset() const noexcept {
        return kHeaderSize + id_length + map_bytes();
    }
};

// Status::Ok when the header describes a kind this reader decodes, else the first reason it
// does not: a kind nobody reads, or a colour-mapped picture without its map.
[[nodiscard]] Status check_kind(const Header& h) noexcept;

// Whether the header could be a TGA file's of a kind some writer makes: a known image type
// with a depth it has, a colour map where one is needed, and a picture of at least one pixel.
// Formats that begin with a signature (PNG, GIF, BMP, JPEG) all fail it.
[[nodiscard]] bool plausible(const Header& h) noexcept;

// Whether the file ends in the TGA 2.0 footer.
[[nodiscard]] bool has_footer(std::span<const std::uint8_t> file) noexcept;

// The attributes type of the extension area the footer points to (0 no alpha, 1 and 2
// undefined, 3 alpha, 4 premultiplied alpha); nothing without a footer or an extension area
// the file holds.
[[nodiscard]] std::optional<std::uint8_t>
extension_alpha(std::span<const std::uint8_t> file) noexcept;

} // namespace tga
