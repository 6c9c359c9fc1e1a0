// How a TGA file's stored pixels and colour-map entries become the picture's pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pcx/decode.h"
#include "tga/header.h"

namespace tga::detail {

enum class Alpha : std::uint8_t { None, Straight, Premultiplied };

// What alpha a picture has: where its pixels or map entries have room for it, what the
// extension area's attributes type says, else whether the descriptor gives it any bits.
[[nodiscard]] Alpha alpha_of(const Header& h, std::span<const std::uint8_t> file) noexcept;

// The picture's format: indexes for colour-mapped and 8-bit grey pictures, else 32-bit words.
[[nodiscard]] pcx::PixelFormat format_of(const Header& h, Alpha alpha) noexcept;

// The colours of all 256 indexes of a colour-mapped picture (entry i at index map_first + i;
// indexes the map does not reach are opaque black), or the greys of an 8-bit grey one.
// The map must lie within `file`.
void read_colours(const Header& h, std::span<const std::uint8_t> file, Alpha alpha,
                  pcx::Image& img) noexcept;

// One stored row of `h.width` pixels as a row of the picture in `format`, mirrored for a
// picture stored right to left.
void convert_row(const Header& h, Alpha alpha, pcx::PixelFormat format, const std::uint8_t* in,
                 std::uint8_t* out) noexcept;

} // namespace tga::detail
