#include "pcx/lines.h"

namespace pcx::detail {

namespace {

// Blocks of 63 stream bytes: the flags of 64 are found at once and the 64th bit ends the walk.
constexpr unsigned kBlock = 63;

// Bit i is set where byte i of the block at `src` is a count byte.
std::uint64_t block_counts(const std::uint8_t* src) noexcept {
    constexpr std::uint64_t kEnd = std::uint64_t{1} << kBlock;
    const std::uint64_t flags = run_flags16(src) | std::uint64_t{run_flags16(src + 16)} << 16 |
                                std::uint64_t{run_flags16(src + 32)} << 32 |
                                std::uint64_t{run_flags16(src + 48)} << 48;
    return count_bytes(flags & (kEnd - 1)) | kEnd;
}

// Writes 32 copies of `value` at `dst`, 64 for a run longer than 32: a picture's runs are
// mostly short, but of many lengths, so the length must not decide a branch below 32.
inline void fill_run32(std::uint8_t* dst, std::uint8_t value, std::size_t k) noexcept {
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), v);
    if (k > 32) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), v);
    }
#else
    std::memset(dst, value, k > 32 ? 64 : 32);
#endif
}

// Decodes whole blocks as decode_bulk does, but with the line's slack: a token's literals are
// copied as one 64-byte block and a run as a whole fill, whatever their length, so the only
// branch the data decides is where a block's tokens end. A token at block offset < 63 reads
// 64 bytes from there, so a block needs 128 real bytes.
std::size_t expand_bulk(Stream& s, Carry& carry, std::uint8_t* out, std::size_t q,
                        std::size_t len) noexcept {
    // Held in locals: the stores to `out` may alias `s`, which would reload it every token.
    const std::uint8_t* src = s.data;
    const std::size_t size = s.size;
    std::size_t p = s.pos;
    while (q < len && p + 128 <= size) {
        std::uint64_t counts = block_counts(src + p);
        unsigned at = 0;
        while (true) {
            const auto run = static_cast<unsigned>(__builtin_ctzll(counts));
            const std::size_t lit = run - at;
            std::memcpy(out + q, src + p + at, 64);
            if (lit >= len - q) {
                s.pos = p + at + (len - q);
                return len;
            }
            q += lit;
            if (run >= kBlock) {
                p += kBlock;
                break;
            }
            const std::size_t k = src[p + run] & 0x3Fu;
            const std::uint8_t value = src[p + run + 1];
            fill_run32(out + q, value, k);
            at = run + 2;
            if (k >= len - q) {
                carry = Carry{k - (len - q), value};
                s.pos = p + at;
                return len;
            }
            q += k;
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

} // namespace

std::size_t expand_line(Stream& s, Carry& carry, std::uint8_t* out, std::size_t len) noexcept {
    std::size_t q = carry.left < len ? carry.left : len;
    std::memset(out, carry.value, q);
    carry.left -= q;
    q = expand_bulk(s, carry, out, q, len);
    return q == len ? q : q + fill_span(s, carry, out + q, len - q);
}

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
