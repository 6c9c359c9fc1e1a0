// Pictures of 16 colours or fewer: 1, 2 or 4 bits a pixel packed into one plane, most
// significant bits leftmost, or 1 bit a pixel in 2 to 4 planes, bit n of a pixel's colour
// index from plane n. The colours come from the header (palette16.cpp). Two-colour pictures
// keep their rows of bits; the others become one byte a pixel, indexing those colours.
#include <array>
#include <bit>
#include <cstring>

#include "pcx/lines.h"
#include "pcx/palette16.h"

namespace pcx::detail {
namespace {

static_assert(std::endian::native == std::endian::little, "pixel tables are little-endian");

// For each byte, its pixels as bytes, leftmost in the lowest byte of the word.
template <class Word, int kBits> constexpr std::array<Word, 256> unpack_table() {
    std::array<Word, 256> table{};
    constexpr int kPixels = 8 / kBits;
    for (unsigned b = 0; b < 256; ++b)
        for (int i = 0; i < kPixels; ++i) {
            const unsigned index = (b >> (8 - kBits * (i + 1))) & ((1u << kBits) - 1);
            table[b] |= static_cast<Word>(static_cast<Word>(index) << (8 * i));
        }
    return table;
}
constexpr auto kBits1 = unpack_table<std::uint64_t, 1>();
constexpr auto kBits2 = unpack_table<std::uint32_t, 2>();
constexpr auto kBits4 = unpack_table<std::uint16_t, 4>();

template <int kBits> constexpr const auto& table_for() noexcept {
    if constexpr (kBits == 1)
        return kBits1;
    else if constexpr (kBits == 2)
        return kBits2;
    else
        return kBits4;
}

// The pixels of one line byte after another; the last byte may give fewer than it holds.
template <class Word, int kBits>
void unpack(const std::uint8_t* line, int width, std::uint8_t* row) noexcept {
    constexpr const auto& table = table_for<kBits>();
    constexpr int kPixels = 8 / kBits;
    int x = 0;
    for (; x + kPixels <= width; x += kPixels) {
        const auto word = static_cast<Word>(table[*line++]);
        std::memcpy(row + x, &word, sizeof word);
    }
    if (x < width) {
        const auto word = static_cast<Word>(table[*line]);
        std::memcpy(row + x, &word, static_cast<std::size_t>(width - x));
    }
}

// Eight pixels from one byte of each plane: the planes' bits are stacked into each pixel byte.
template <int kPlanes>
void unpack_planes(const std::uint8_t* line, std::size_t plane, int width,
                   std::uint8_t* row) noexcept {
    auto eight = [&](std::size_t i) {
        std::uint64_t v = 0;
        for (int p = 0; p < kPlanes; ++p)
            v |= kBits1[line[static_cast<std::size_t>(p) * plane + i]] << p;
        return v;
    };
    int x = 0;
    std::size_t i = 0;
    for (; x + 8 <= width; x += 8, ++i) {
        const std::uint64_t v = eight(i);
        std::memcpy(row + x, &v, 8);
    }
    if (x < width) {
        const std::uint64_t v = eight(i);
        std::memcpy(row + x, &v, static_cast<std::size_t>(width - x));
    }
}

// How many pixels a scan line of B bytes a plane holds.
std::uint64_t pixels_per_line(Kind kind, std::int16_t bytes_per_line) noexcept {
    const auto bits = static_cast<std::uint64_t>(bytes_per_line < 0 ? 0 : bytes_per_line) * 8;
    switch (kind) {
    case Kind::Packed2:
        return bits / 2;
    case Kind::Packed4:
        return bits / 4;
    default:
        return bits; // 1 bit a pixel in each plane
    }
}

template <class Convert>
void decode_indexed(std::span<const std::uint8_t> file, Target& to, Result& r, Convert convert) {
    decode_rows(
        file, PixelFormat::Indexed8, to, r,
        [&](const std::uint8_t* line, std::uint8_t* row) { convert(line, r.geometry.width, row); });
}

// The line's bits as they are, those past the width cleared.
void decode_bits(std::span<const std::uint8_t> file, Target& to, Result& r) {
    const int width = r.geometry.width;
    const auto bytes = static_cast<std::size_t>((width + 7) / 8);
    const auto last = static_cast<std::uint8_t>(0xFF00u >> (width % 8 == 0 ? 8 : width % 8));
    decode_rows(file, PixelFormat::Mono1, to, r, [&](const std::uint8_t* line, std::uint8_t* row) {
        std::memcpy(row, line, bytes);
        row[bytes - 1] &= last;
    });
}

} // namespace

void DecodeLowBits(std::span<const std::uint8_t> file, const Options& options, Target& to,
                   Result& r) {
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const Kind kind = kind_of(r.header);
    const PixelFormat format = kind == Kind::Packed1 ? PixelFormat::Mono1 : PixelFormat::Indexed8;
    r.status = check_rows(file, options, r, pixels_per_line(kind, r.header.bytes_per_line), format);
    if (r.status != Status::Ok) return;
    const auto plane = static_cast<std::size_t>(r.header.bytes_per_line);
    // Before the rows, so that a sink has them with the shape.
    header_colours(r.header, kind, r.image);
    switch (kind) {
    case Kind::Packed1:
        decode_bits(file, to, r);
        break;
    case Kind::Packed2:
        decode_indexed(file, to, r, unpack<std::uint32_t, 2>);
        break;
    case Kind::Packed4:
        decode_indexed(file, to, r, unpack<std::uint16_t, 4>);
        break;
    case Kind::Planar2:
    case Kind::Planar3:
    case Kind::Planar4: {
        auto planes = kind == Kind::Planar2   ? unpack_planes<2>
                      : kind == Kind::Planar3 ? unpack_planes<3>
                                              : unpack_planes<4>;
        decode_indexed(file, to, r, [&](const std::uint8_t* line, int width, std::uint8_t* row) {
            planes(line, plane, width, row);
        });
        break;
    }
    default:
        r.status = Status::UnknownKind;
        return;
    }
}

} // namespace pcx::detail
