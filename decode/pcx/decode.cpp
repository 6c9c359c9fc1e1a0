#include "pcx/decode.h"

#include "pcx/decoders.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pcx {

namespace detail {
PixelBuffer allocate(std::size_t bytes) noexcept {
    if (bytes == 0) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // A large buffer is fresh memory, and faulting it in 4 KiB pages costs more than decoding
    // into it where page faults are dear. So it is aligned to 2 MiB with huge pages asked for:
    // each 2 MiB page is then faulted in as the decoder reaches it and is still in cache when
    // written. Where the kernel refuses huge pages, the buffer is faulted in with one call; where
    // they are switched off while madvise still accepts the advice, page by page as any buffer.
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes >= 2 * kHuge) {
        const std::size_t rounded = (bytes + kHuge - 1) & ~(kHuge - 1);
        auto* p = static_cast<std::uint8_t*>(std::aligned_alloc(kHuge, rounded));
        if (p && ::madvise(p, rounded, MADV_HUGEPAGE) != 0) {
#if defined(MADV_POPULATE_WRITE)
            (void)::madvise(p, rounded, MADV_POPULATE_WRITE);
#endif
        }
        return PixelBuffer(p);
    }
#endif
    return PixelBuffer(static_cast<std::uint8_t*>(std::malloc(bytes)));
}
} // namespace detail

namespace {

Result decode_to(std::span<const std::uint8_t> file, const Options& options, detail::Target& to) {
    Result r;
    r.header = PcxHeader::parse(file);
    r.status = check_kind(r.header, options.kinds);
    if (r.status != Status::Ok) return r;
    switch (kind_of(r.header)) {
    case Kind::Paletted8:
        detail::DecodePcx8(file, options, to, r);
        break;
    case Kind::Rgb24:
        detail::DecodePcx24(file, options, to, r);
        break;
    case Kind::Rgba32:
        detail::DecodeRgba(file, options, to, r);
        break;
    default:
        detail::DecodeLowBits(file, options, to, r);
        break;
    }
    if (r.status != Status::Ok) r.image = Image{};
    return r;
}

} // namespace

Result decode(std::span<const std::uint8_t> file, const Options& options) {
    detail::Target whole;
    return decode_to(file, options, whole);
}

Result decode_rows(std::span<const std::uint8_t> file, RowSink& sink, const Options& options) {
    detail::Target rows(&sink);
    return decode_to(file, options, rows);
}

} // namespace pcx
