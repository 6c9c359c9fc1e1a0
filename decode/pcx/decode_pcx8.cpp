// 256-colour pictures: one plane of palette indexes per scan line, rows stored with a stride
// of the scan-line length rounded up to 4, the palette in the last 768 bytes of the file.
#include <algorithm>
#include <cstring>

#include "pcx/decoders.h"
#include "pcx/stream.h"

namespace pcx::detail {
namespace {

struct RowShape {
    int line;   // N: decoded bytes per scan line
    int width;  // W: the image width, which bounds a cut run
    int stride; // S: N rounded up to a multiple of 4
};

// Each step of a row reads at least one byte and advances the column by at most 65: a run
// pair gives at most 63 columns, and a run cut at the row end (c + 63 > N, so c > N - 63) may
// reach at most the stride S <= N + 3, that is fewer than 66 columns past c. A byte thus
// yields at most 32.5 columns and a row of N columns needs at least ceil(2N / 65) bytes.
std::uint64_t min_bytes_per_row(int line) noexcept {
    return (2 * static_cast<std::uint64_t>(line) + 64) / 65;
}

// Decodes one row. Runs never carry over: what is cut at the row end is dropped.
Status decode_row(Stream& s, std::uint8_t* row, const RowShape& shape) noexcept {
    const int n = shape.line;
    int c = static_cast<int>(decode_bulk(s, row, 0, static_cast<std::size_t>(n)));
    std::size_t p = s.pos;
    while (c < n) {
        if (p > s.size) {
            s.pos = p;
            return Status::DataEnded;
        }
        std::uint8_t b = s.at(p);
        if (b < kRunFlag) {
            row[c++] = b;
            ++p;
            continue;
        }
        int k = b & 0x3F;
        std::uint8_t value = s.at(p + 1);
        p += 2;
        // A run past the line end is cut at the image width, not the line length.
        if (c + k > n) {
            k = shape.width - c;
            if (k > 0 && c + k > shape.stride) {
                s.pos = p;
                return Status::RunPastRow;
            }
        }
        if (k > 0) {
            std::memset(row + c, value, static_cast<std::size_t>(k));
            c += k;
        }
    }
    s.pos = p;
    return Status::Ok;
}

void read_palette(std::span<const std::uint8_t> file, Image& img) noexcept {
    const std::uint8_t* pal = file.data() + file.size() - 768;
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint32_t r = pal[3 * i], g = pal[3 * i + 1], b = pal[3 * i + 2];
        img.colours[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

Status check_file(std::span<const std::uint8_t> file) noexcept {
    if (file.size() < kHeaderSize) return Status::TruncatedHeader;
    if (file.size() < kPaletteTail) return Status::PaletteBeforeStart;
    if (file[file.size() - kPaletteTail] != 12) return Status::NoPalette;
    return Status::Ok;
}

Status check_shape(const Geometry& g, std::size_t data_bytes, const Limits& limits,
                   RowShape& shape) noexcept {
    if (g.width < 1 || g.height < 1 || g.line < 0) return Status::BadDimensions;
    if (g.line == 0) return Status::EmptyScanLine;
    // The stream holds the data bytes plus the closing 0.
    if (min_bytes_per_row(g.line) * static_cast<std::uint64_t>(g.height) > data_bytes + 1)
        return Status::DataTooShort;
    shape = RowShape{g.line, g.width, (g.line + 3) & ~3};
    if (static_cast<std::uint64_t>(shape.stride) * static_cast<std::uint64_t>(g.height) >
        limits.max_pixel_bytes)
        return Status::TooLarge;
    return Status::Ok;
}

} // namespace

void DecodePcx8(std::span<const std::uint8_t> file, const Limits& limits, Result& r) {
    if ((r.status = check_file(file)) != Status::Ok) return;
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    RowShape shape{};
    const std::size_t data_bytes = file.size() - kHeaderSize;
    if ((r.status = check_shape(r.geometry, data_bytes, limits, shape)) != Status::Ok) return;

    const auto stride = static_cast<std::size_t>(shape.stride);
    const auto height = static_cast<std::size_t>(r.geometry.height);
    Image& img = r.image;
    img.pixels = allocate(stride * height);
    if (!img.pixels) {
        r.status = Status::OutOfMemory;
        return;
    }
    Stream s{file.data() + kHeaderSize, data_bytes, 0};
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = img.pixels.get() + y * stride;
        std::memset(row + shape.line, 0, stride - static_cast<std::size_t>(shape.line));
        if ((r.status = decode_row(s, row, shape)) != Status::Ok) return;
    }
    img.format = PixelFormat::Indexed8;
    // The pad bytes of an odd width are kept in the rows but not shown.
    img.width = std::min<int>(r.geometry.width, shape.line);
    img.height = r.geometry.height;
    img.stride = stride;
    read_palette(file, img);
}

} // namespace pcx::detail
