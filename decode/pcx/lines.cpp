#include "pcx/lines.h"

namespace pcx::detail {

Status check_rows(std::span<const std::uint8_t> file, const Options& options, const Result& r,
                  std::uint64_t pixels_per_line, PixelFormat format) noexcept {
    const Geometry& g = r.geometry;
    if (g.width < 1 || g.height < 1 || g.line < 0) return Status::BadDimensions;
    if (file.size() < kHeaderSize) return Status::TruncatedHeader;
    if (pixels_per_line < static_cast<std::uint64_t>(g.width)) return Status::LineTooShort;
    // Refused before allocating: the data could not fill every row, stored or in the longest
    // runs.
    const std::size_t data = file.size() - kHeaderSize;
    const std::uint64_t needed =
        static_cast<std::uint64_t>(g.line) * static_cast<std::uint64_t>(g.height);
    if ((r.header.encoding == 0 ? data : max_decoded(data)) < needed) return Status::DataTooShort;
    const std::uint64_t stride =
        (row_bytes(format, static_cast<std::uint64_t>(g.width)) + 3) & ~std::uint64_t{3};
    if (stride * static_cast<std::uint64_t>(g.height) > options.max_pixel_bytes)
        return Status::TooLarge;
    return Status::Ok;
}

} // namespace pcx::detail
