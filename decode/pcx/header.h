// The 128-byte PCX header as this program reads it. Multi-byte fields are little-endian and
// every 16-bit field is read as signed, because the header arithmetic is signed 16-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "pcx/status.h"

namespace pcx {

inline constexpr std::size_t kHeaderSize = 128;
// Marker byte 12 followed by 256 red, green, blue entries, at the very end of 8-bit files.
inline constexpr std::size_t kPaletteTail = 769;

struct PcxHeader {
    std::uint8_t manufacturer = 0;   // 10 in PCX files; not checked
    std::uint8_t version = 0;        // not checked
    std::uint8_t encoding = 0;       // 1 = run-length; data is always decoded as run-length
    std::uint8_t bits_per_pixel = 0; // per plane; must be 8
    std::int16_t xmin = 0;           // left edge
    std::int16_t ymin = 0;           // top edge
    std::int16_t xmax = 0;           // right edge, inclusive
    std::int16_t ymax = 0;           // bottom edge, inclusive
    std::int16_t hdpi = 0;           // not used
    std::int16_t vdpi = 0;           // not used
    std::uint8_t nplanes = 0;        // 1 (paletted) or 3 (red, green, blue planes)
    std::int16_t bytes_per_line = 0; // bytes in one plane of one scan line

    // Reads the header from the start of `file`; bytes past a short file's end read as 0.
    [[nodiscard]] static PcxHeader parse(std::span<const std::uint8_t> file) noexcept;

    [[nodiscard]] bool is_paletted() const noexcept { return nplanes == 1; }
};

// Width, height and decoded scan-line length, each checked to fit a signed 16-bit value.
struct Geometry {
    std::int16_t width = 0;  // Xmax - Xmin + 1
    std::int16_t height = 0; // Ymax - Ymin + 1
    std::int16_t line = 0;   // NPlanes * BytesPerLine
};

// Status::Ok or the overflow that stops the computation. Refusals are the decoders' business.
[[nodiscard]] Status compute_geometry(const PcxHeader& h, Geometry& out) noexcept;

// Whether the header names a kind this program decodes; Status::Ok when it does.
[[nodiscard]] Status check_kind(const PcxHeader& h) noexcept;

// Signed 16-bit arithmetic with overflow reported instead of wrapped. The operands are
// widened to int, where no sum, difference or product of two 16-bit values can overflow,
// and the exact result is then range-checked.
[[nodiscard]] std::optional<std::int16_t> add16(int a, int b) noexcept;
[[nodiscard]] std::optional<std::int16_t> sub16(int a, int b) noexcept;
[[nodiscard]] std::optional<std::int16_t> mul16(int a, int b) noexcept;

} // namespace pcx
