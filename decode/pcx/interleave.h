// Planes of samples into pixels: red, green and blue planes, and an alpha plane or none (opaque),
// into native-endian 0xAARRGGBB words.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pcx::detail {

template <bool kAlpha>
inline void interleave(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue,
                       const std::uint8_t* alpha, int columns, std::uint32_t* out) noexcept {
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; x + 16 <= columns; x += 16) {
        __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + x));
        __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + x));
        __m128i a = opaque;
        if constexpr (kAlpha) a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));
        // Memory order of a 0xAARRGGBB word is blue, green, red, alpha.
        __m128i bg_lo = _mm_unpacklo_epi8(b, g), bg_hi = _mm_unpackhi_epi8(b, g);
        __m128i ra_lo = _mm_unpacklo_epi8(r, a), ra_hi = _mm_unpackhi_epi8(r, a);
        auto* dst = reinterpret_cast<__m128i*>(out + x);
        _mm_storeu_si128(dst, _mm_unpacklo_epi16(bg_lo, ra_lo));
        _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(bg_lo, ra_lo));
        _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(bg_hi, ra_hi));
        _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(bg_hi, ra_hi));
    }
#endif
    for (; x < columns; ++x) {
        const std::uint32_t a = kAlpha ? alpha[x] : 0xFFu;
        out[x] =
            (a << 24) | (std::uint32_t{red[x]} << 16) | (std::uint32_t{green[x]} << 8) | blue[x];
    }
}

} // namespace pcx::detail
