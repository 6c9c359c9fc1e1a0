// The 128-byte PCX header as this program reads it. Multi-byte fields are little-endian and
// every 16-bit field is read as signed, because the header arithmetic is signed 16-bit.
#pragma once

#include <array>
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
    std::uint8_t version = 0;        // 3 = written without a palette
    std::uint8_t encoding = 0;       // 1 = run-length, 0 = stored; the viewer's kinds ignore it
    std::uint8_t bits_per_pixel = 0; // per plane
    std::int16_t xmin = 0;           // left edge
    std::int16_t ymin = 0;           // top edge
    std::int16_t xmax = 0;           // right edge, inclusive
    std::int16_t ymax = 0;           // bottom edge, inclusive
    std::int16_t hdpi = 0;           // not used
    std::int16_t vdpi = 0;           // not used
    std::array<std::uint8_t, 48> palette{}; // 16 red, green, blue entries for up to 16 colours
    std::uint8_t nplanes = 0;               // colour planes of each scan line
    std::int16_t bytes_per_line = 0;        // bytes in one plane of one scan line

    // Reads the header from the start of `file`; bytes past a short file's end read as 0.
    [[nodiscard]] static PcxHeader parse(std::span<const std::uint8_t> file) noexcept;
};

// The layouts of PCX pictures. The viewer shows the first two; glimmer-pcx reads them all.
enum class Kind : std::uint8_t {
    Paletted8, // 8 bits, 1 plane, 256-colour palette at the end of the file
    Rgb24,     // 8 bits, 3 planes: red, green, blue
    Packed1,   // 1 bit, 1 plane: two colours
    Packed2,   // 2 bits, 1 plane: four colours (CGA)
    Packed4,   // 4 bits, 1 plane: 16 colours
    Planar2,   // 1 bit, 2 planes: four colours, bit n of a pixel from plane n
    Planar3,   // 1 bit, 3 planes: eight colours
    Planar4,   // 1 bit, 4 planes: 16 colours (EGA)
    Rgba32,    // 8 bits, 4 planes: red, green, blue, alpha
    Unknown,
};

[[nodiscard]] Kind kind_of(const PcxHeader& h) noexcept;

// Which kinds a caller decodes: the viewer's two, or every kind above.
enum class Kinds : std::uint8_t { Viewer, Every };

// Width, height and decoded scan-line length, each checked to fit a signed 16-bit value.
struct Geometry {
    std::int16_t width = 0;  // Xmax - Xmin + 1
    std::int16_t height = 0; // Ymax - Ymin + 1
    std::int16_t line = 0;   // NPlanes * BytesPerLine
};

// Status::Ok or the overflow that stops the computation. Refusals are the decoders' business.
[[nodiscard]] Status compute_geometry(const PcxHeader& h, Geometry& out) noexcept;

// Whether the header could be a PCX file's, of any kind or a kind refused by name: the
// manufacturer byte, a known version and encoding, a bit depth and plane count some writer
// uses. Other formats whose first byte is 10 (a TGA file with a 10-byte ID) fail it.
[[nodiscard]] bool plausible(const PcxHeader& h) noexcept;

// Whether the header names a kind the caller decodes; Status::Ok when it does.
[[nodiscard]] Status check_kind(const PcxHeader& h, Kinds kinds = Kinds::Viewer) noexcept;

// Signed 16-bit arithmetic with overflow reported instead of wrapped. The operands are
// widened to int, where no sum, difference or product of two 16-bit values can overflow,
// and the exact result is then range-checked.
[[nodiscard]] std::optional<std::int16_t> add16(int a, int b) noexcept;
[[nodiscard]] std::optional<std::int16_t> sub16(int a, int b) noexcept;
[[nodiscard]] std::optional<std::int16_t> mul16(int a, int b) noexcept;

} // namespace pcx
