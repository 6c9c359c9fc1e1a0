// Pictures with an alpha plane: each scan line holds the red, green, blue and then alpha
// samples of the line, B bytes each.
#include "pcx/interleave.h"
#include "pcx/lines.h"

namespace pcx::detail {

void DecodeRgba(std::span<const std::uint8_t> file, const Options& options, Target& to, Result& r) {
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const std::int16_t b = r.header.bytes_per_line;
    if ((r.status = check_rows(file, options, r, b < 0 ? 0 : b, PixelFormat::Argb32)) != Status::Ok)
        return;
    const auto plane = static_cast<std::size_t>(b);
    decode_rows(file, PixelFormat::Argb32, to, r, [&](const std::uint8_t* line, std::uint8_t* row) {
        interleave<true>(line, line + plane, line + 2 * plane, line + 3 * plane, r.geometry.width,
                         reinterpret_cast<std::uint32_t*>(row));
    });
}

} // namespace pcx::detail
