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

// The most bytes a stream of `data_bytes` real bytes can decode to. Two bytes give at most
// 63 (count byte 0xFF and its value) and one byte at most 1 as a literal. The closing 0 adds
// one literal after an even number of real bytes, or is the value of a last count byte.
[[nodiscard]] inline std::uint64_t max_decoded(std::size_t data_bytes) noexcept {
    const std::uint64_t bytes = std::uint64_t{data_bytes} + 1;
    return 63 * (bytes / 2) + bytes % 2;
}

// Bit i is set where byte i of the 16 at `src` is a count byte (0xC0 or above).
inline unsigned run_flags16(const std::uint8_t* src) noexcept {
#if defined(__SSE2__)
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    // b >= 0xC0 exactly when max(b, 0xC0) == b, unsigned.
    __m128i flag = _mm_set1_epi8(static_cast<char>(kRunFlag));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(v, flag), v)));
#else
    unsigned m = 0;
    for (int i = 0; i < 16; ++i)
        m |= unsigned{src[i] >= kRunFlag} << i;
    return m;
#endif
}

inline void copy16(const std::uint8_t* src, std::uint8_t* dst) noexcept {
    std::memcpy(dst, src, 16);
}

// Writes copies of `value` at `dst` for a run of k <= 63 bytes: 16 bytes, or 64 for a longer
// run. `dst` must have room for 64; the bytes past k are overwritten later.
inline void fill_run(std::uint8_t* dst, std::uint8_t value, unsigned k) noexcept {
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
    if (k > 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), v);
    }
#else
    std::memset(dst, value, k > 16 ? 64 : 16);
#endif
}

// Which bytes of a block of flagged stream bytes are count bytes. The block starts on a
// token, so in every group of consecutive flagged bytes the first is a count byte, the
// second its value, the third a count byte again: counts are the bits at an even distance
// from their group's start. Adding the group starts at even positions carries through
// exactly those groups, which marks them; the others take the odd positions instead.
inline std::uint64_t count_bytes(std::uint64_t flags) noexcept {
    constexpr std::uint64_t even = 0x5555555555555555u;
    const std::uint64_t starts = flags & ~(flags << 1);
    const std::uint64_t even_groups = flags & ~(flags + (starts & even));
    return (even_groups & even) | (flags & ~even_groups & ~even);
}

// Decodes into `out` from `q` for as long as no read or write needs a bounds check, a block
// of 48 stream bytes at a time. The count bytes of a block are found at once and walked in a
// register, so the next token's position never waits on a memory load. Returns q with s.pos
// advanced; the caller finishes byte by byte from there.
//
// Bounds: a token at block offset `at` < 48 reads 16 bytes from there (at most p + 64 <= size)
// and a run's value at most at p + 48. Before writing, the literals plus a 64-byte run fill
// are checked to fit before `len`, so no run is ever cut here.
inline std::size_t decode_bulk(Stream& s, std::uint8_t* out, std::size_t q,
                               std::size_t len) noexcept {
    constexpr unsigned kBlock = 48;
    constexpr std::uint64_t kEnd = std::uint64_t{1} << kBlock; // stops the walk at the end
    const std::uint8_t* src = s.data;
    std::size_t p = s.pos;
    while (p + kBlock + 16 <= s.size) {
        std::uint64_t flags = 0;
        for (unsigned i = 0; i < kBlock; i += 16)
            flags |= std::uint64_t{run_flags16(src + p + i)} << i;
        std::uint64_t counts = count_bytes(flags) | kEnd;
        unsigned at = 0; // offset of the next token in this block
        while (true) {
            const auto run = static_cast<unsigned>(__builtin_ctzll(counts));
            const unsigned lit = run - at;
            if (q + lit + 64 > len) {
                s.pos = p + at;
                return q;
            }
            copy16(src + p + at, out + q);
            if (lit > 16) std::memcpy(out + q + 16, src + p + at + 16, lit - 16);
            q += lit;
            if (run >= kBlock) {
                p += kBlock;
                break;
            }
            const unsigned k = src[p + run] & 0x3Fu;
            fill_run(out + q, src[p + run + 1], k);
            q += k;
            at = run + 2;
            if (at >= kBlock) {
                p += at;
                break;
            }
            counts &= counts - 1;
        }
    }
    s.pos = p;
    return q;
}

// The unfinished part of a run that passed the end of the previous row.
struct Carry {
    std::size_t left = 0;
    std::uint8_t value = 0;
};

// Fills out[0, len) from the stream, first with what `carry` holds; returns how many bytes
// were filled, fewer than `len` only when the stream ended. What a run has beyond `len` is
// left in `carry` for the next row.
inline std::size_t fill_span(Stream& s, Carry& carry, std::uint8_t* out, std::size_t len) noexcept {
    std::size_t q = carry.left < len ? carry.left : len;
    std::memset(out, carry.value, q);
    carry.left -= q;
    q = decode_bulk(s, out, q, len);
    std::size_t p = s.pos;
    while (q < len) {
        if (p > s.size) break;
        const std::uint8_t b = s.at(p);
        if (b < kRunFlag) {
            out[q++] = b;
            ++p;
            continue;
        }
        const std::size_t k = b & 0x3Fu;
        const std::uint8_t value = s.at(p + 1);
        p += 2;
        const std::size_t take = k < len - q ? k : len - q;
        std::memset(out + q, value, take);
        q += take;
        carry = Carry{k - take, value};
    }
    s.pos = p;
    return q;
}

} // namespace pcx::detail
