// True-colour pictures: each scan line holds the red, then green, then blue samples of the
// line, B bytes each. The data is one run-length stream in which runs may cross line ends.
// Lines are decoded one at a time into a small scratch line and interleaved straight into
// the picture; bytes after the last scan line are ignored.
#include <algorithm>
#include <cstring>
#include <vector>

#include "pcx/decoders.h"
#include "pcx/stream.h"

namespace pcx::detail {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

void interleave(const std::uint8_t* line, std::size_t plane, int columns, std::uint32_t* out) {
    const std::uint8_t* red = line;
    const std::uint8_t* green = line + plane;
    const std::uint8_t* blue = line + 2 * plane;
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; x + 16 <= columns; x += 16) {
        __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + x));
        __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + x));
        // Memory order of a 0xFFRRGGBB word is blue, green, red, 0xFF.
        __m128i bg_lo = _mm_unpacklo_epi8(b, g), bg_hi = _mm_unpackhi_epi8(b, g);
        __m128i ra_lo = _mm_unpacklo_epi8(r, opaque), ra_hi = _mm_unpackhi_epi8(r, opaque);
        auto* dst = reinterpret_cast<__m128i*>(out + x);
        _mm_storeu_si128(dst, _mm_unpacklo_epi16(bg_lo, ra_lo));
        _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(bg_lo, ra_lo));
        _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(bg_hi, ra_hi));
        _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(bg_hi, ra_hi));
    }
#endif
    for (; x < columns; ++x)
        out[x] = kBlack | (std::uint32_t{red[x]} << 16) | (std::uint32_t{green[x]} << 8) | blue[x];
}

// A width of B + 1 reads one byte past each line's red and green planes: the column's red
// is the line's first green sample, its green the first blue sample, and its blue the next
// line's first red sample (0 after the last line).
void fill_spill_column(Image& img, int plane) {
    auto* px = reinterpret_cast<std::uint32_t*>(img.pixels.get());
    const auto w = static_cast<std::size_t>(img.width);
    for (int y = 0; y < img.height; ++y) {
        std::uint32_t first = px[static_cast<std::size_t>(y) * w];
        std::uint32_t next_red =
            y + 1 < img.height ? (px[static_cast<std::size_t>(y + 1) * w] >> 16) & 0xFF : 0;
        std::uint32_t r = (first >> 8) & 0xFF, g = first & 0xFF;
        px[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(plane)] =
            kBlack | (r << 16) | (g << 8) | next_red;
    }
}

Status check_shape(std::span<const std::uint8_t> file, const Geometry& g, int plane,
                   const Limits& limits) noexcept {
    if (g.width < 1 || g.height < 1 || g.line < 0) return Status::BadDimensions;
    if (file.size() < kHeaderSize) return Status::TruncatedHeader;
    // Column x of a line reads plane bytes x, B + x and 2B + x of 3B + 1 bytes in the last
    // line, so every read stays inside exactly when W - 1 <= B.
    if (g.width > plane + 1) return Status::PlaneReadOutside;
    // A picture the data could not fill even with the longest runs is refused before
    // allocating; one it merely might not fill shows black below the data.
    if (max_decoded(file.size() - kHeaderSize) <
        static_cast<std::uint64_t>(g.line) * static_cast<std::uint64_t>(g.height))
        return Status::DataTooShort;
    auto bytes = 4 * static_cast<std::uint64_t>(g.width) * static_cast<std::uint64_t>(g.height);
    if (bytes > limits.max_pixel_bytes) return Status::TooLarge;
    return Status::Ok;
}

void decode_lines(std::span<const std::uint8_t> file, std::size_t plane, Image& img) {
    std::vector<std::uint8_t> line(3 * plane);
    Stream s{file.data() + kHeaderSize, file.size() - kHeaderSize, 0};
    Carry carry;
    const int columns = std::min<int>(img.width, static_cast<int>(plane));
    for (int y = 0; y < img.height; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(img.pixels.get() + y * img.stride);
        if (s.ended() && carry.left == 0) {
            std::fill(out, out + img.width, kBlack);
            continue;
        }
        std::size_t got = fill_span(s, carry, line.data(), line.size());
        std::memset(line.data() + got, 0, line.size() - got);
        interleave(line.data(), plane, columns, out);
    }
}

} // namespace

void DecodePcx24(std::span<const std::uint8_t> file, const Limits& limits, Result& r) {
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const int plane = r.header.bytes_per_line;
    if ((r.status = check_shape(file, r.geometry, plane, limits)) != Status::Ok) return;

    Image& img = r.image;
    img.format = PixelFormat::Rgb32;
    img.width = r.geometry.width;
    img.height = r.geometry.height;
    img.stride = 4 * static_cast<std::size_t>(img.width);
    img.pixels = allocate(img.stride * static_cast<std::size_t>(img.height));
    if (!img.pixels) {
        r.status = Status::OutOfMemory;
        return;
    }
    if (plane == 0) {
        // Lines of no bytes: the one column (W - 1 <= B) reads plane byte 0 for its red, green
        // and blue in every row, and that is the first byte the data decodes to.
        Stream st{file.data() + kHeaderSize, file.size() - kHeaderSize, 0};
        Carry carry;
        std::uint8_t first = 0;
        (void)fill_span(st, carry, &first, 1);
        const std::uint32_t grey = kBlack | first * 0x010101u;
        auto* px = reinterpret_cast<std::uint32_t*>(img.pixels.get());
        std::fill(px, px + static_cast<std::size_t>(img.width) * img.height, grey);
        return;
    }
    decode_lines(file, static_cast<std::size_t>(plane), img);
    if (img.width > plane) fill_spill_column(img, plane);
}

} // namespace pcx::detail
