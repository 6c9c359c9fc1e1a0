// 256-colour pictures: one plane of palette indexes per scan line, rows stored with a stride
// of the scan-line length rounded up to 4, the palette in the last 768 bytes of the file.
// The rows are one run-length stream: a run that passes a row's end goes on at the start of
// the next row, and what passes the end of the last row is dropped.
#include <algorithm>
#include <cstring>

#include "pcx/decoders.h"
#include "pcx/stream.h"

namespace pcx::detail {
namespace {

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

Status check_shape(const Geometry& g, std::size_t data_bytes, const Options& options) noexcept {
    if (g.width < 1 || g.height < 1 || g.line < 0) return Status::BadDimensions;
    if (g.line == 0) return Status::EmptyScanLine;
    // Refused before allocating: even the longest runs could not fill every row.
    if (max_decoded(data_bytes) <
        static_cast<std::uint64_t>(g.line) * static_cast<std::uint64_t>(g.height))
        return Status::DataTooShort;
    const auto stride = static_cast<std::uint64_t>((g.line + 3) & ~3);
    if (stride * static_cast<std::uint64_t>(g.height) > options.max_pixel_bytes)
        return Status::TooLarge;
    return Status::Ok;
}

// Decodes every row; Status::DataEnded when the stream ends before the last row is full.
Status decode_rows(Stream& s, Target& to, Image& img, std::size_t line) noexcept {
    Carry carry;
    const auto height = static_cast<std::size_t>(img.height);
    if (to.whole() && img.stride == line) {
        // Rows lie back to back, so the picture is one span.
        return fill_span(s, carry, img.pixels.get(), line * height) == line * height
                   ? Status::Ok
                   : Status::DataEnded;
    }
    for (int y = 0; y < img.height; ++y) {
        std::uint8_t* row = to.row(img, y);
        std::memset(row + line, 0, img.stride - line);
        if (fill_span(s, carry, row, line) != line) return Status::DataEnded;
        to.done(y);
    }
    return Status::Ok;
}

} // namespace

void DecodePcx8(std::span<const std::uint8_t> file, const Options& options, Target& to, Result& r) {
    if ((r.status = check_file(file)) != Status::Ok) return;
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const std::size_t data_bytes = file.size() - kHeaderSize;
    if ((r.status = check_shape(r.geometry, data_bytes, options)) != Status::Ok) return;

    const auto line = static_cast<std::size_t>(r.geometry.line);
    Image& img = r.image;
    img.format = PixelFormat::Indexed8;
    // The pad bytes of an odd width are kept in the rows but not shown.
    img.width = std::min<int>(r.geometry.width, r.geometry.line);
    img.height = r.geometry.height;
    img.stride = (line + 3) & ~std::size_t{3};
    read_palette(file, img);
    if ((r.status = to.open(img)) != Status::Ok || to.stopped()) return;
    Stream s{file.data() + kHeaderSize, data_bytes, 0};
    r.status = decode_rows(s, to, img, line);
}

} // namespace pcx::detail
