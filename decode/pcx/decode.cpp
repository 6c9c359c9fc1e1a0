#include "pcx/decode.h"

#include "pcx/decoders.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pcx {

namespace detail {
PixelBuffer allocate(std::size_t bytes) noexcept {
    if (bytes == 0) return nullptr;
    auto* p = static_cast<std::uint8_t*>(std::malloc(bytes));
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // A large buffer is fresh memory; faulting its pages in one call instead of one fault per
    // page makes a big picture markedly faster where page faults are dear. Where the kernel
    // cannot, nothing changes.
    constexpr std::size_t kPage = 4096;
    if (p && bytes >= (std::size_t{4} << 20)) {
        auto first = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
        auto last = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kPage - 1);
        if (last > first)
            (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
#endif
    return PixelBuffer(p);
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
