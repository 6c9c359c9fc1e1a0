// True-colour pictures: each scan line holds the red, then green, then blue samples of the
// line, B bytes each. The data is one run-length stream in which runs may cross line ends.
// Lines are decoded one at a time into a small scratch line and interleaved straight into
// the picture; bytes after the last scan line are ignored.
#include <algorithm>
#include <cstring>
#include <vector>

#include "pcx/decoders.h"
#include "pcx/interleave.h"
#include "pcx/stream.h"

namespace pcx::detail {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

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
                   const Options& options) noexcept {
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
    if (bytes > options.max_pixel_bytes) return Status::TooLarge;
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
        interleave<false>(line.data(), line.data() + plane, line.data() + 2 * plane, nullptr,
                          columns, out);
    }
}

} // namespace

void DecodePcx24(std::span<const std::uint8_t> file, const Options& options, Result& r) {
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const int plane = r.header.bytes_per_line;
    if ((r.status = check_shape(file, r.geometry, plane, options)) != Status::Ok) return;

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
