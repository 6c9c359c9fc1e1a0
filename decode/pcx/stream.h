// Run-length stream shared by both decoders. The data buffer is the file after the header
// followed by one extra 0 byte, which is decoded like any other byte; `size` counts only the
// real bytes and the extra one is produced without copying the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pcx::detail {

inline constexpr std::uint8_t kRunFlag = 0xC0;

struct Stream {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0; // real bytes; the byte at `size` reads as 0
    std::size_t pos = 0;

    [[nodiscard]] bool ended() const noexcept { return pos > size; }
    [[nodiscard]] std::uint8_t at(std::size_t i) const noexcept { return i < size ? data[i] : 0; }
};

// Copies 16 bytes from `src` to `dst` and returns how many of them, from the first, are
// literal pixels (below 0xC0). Both ranges must hold 16 bytes.
inline int copy_literals16(const std::uint8_t* src, std::uint8_t* dst) noexcept {
#if defined(__SSE2__)
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
    // b >= 0xC0 exactly when max(b, 0xC0) == b, unsigned.
    __m128i flag = _mm_set1_epi8(static_cast<char>(kRunFlag));
    __m128i is_run = _mm_cmpeq_epi8(_mm_max_epu8(v, flag), v);
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(is_run)) | 0x10000u;
    return __builtin_ctz(mask);
#else
    std::memcpy(dst, src, 16);
    int n = 0;
    while (n < 16 && src[n] < kRunFlag)
        ++n;
    return n;
#endif
}

} // namespace pcx::detail
