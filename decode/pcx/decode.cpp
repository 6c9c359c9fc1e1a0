#include "pcx/decode.h"

#include "pcx/decoders.h"

namespace pcx {

namespace detail {
PixelBuffer allocate(std::size_t bytes) noexcept {
    if (bytes == 0) return nullptr;
    return PixelBuffer(static_cast<std::uint8_t*>(std::malloc(bytes)));
}
} // namespace detail

Result decode(std::span<const std::uint8_t> file, const Limits& limits) {
    Result r;
    r.header = PcxHeader::parse(file);
    r.status = check_kind(r.header);
    if (r.status != Status::Ok) return r;
    if (r.header.is_paletted())
        detail::DecodePcx8(file, limits, r);
    else
        detail::DecodePcx24(file, limits, r);
    if (r.status != Status::Ok) r.image = Image{};
    return r;
}

} // namespace pcx
