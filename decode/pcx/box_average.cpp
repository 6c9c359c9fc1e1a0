#include "pcx/box_average.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pcx {
namespace {

std::array<std::uint32_t, 4> weighted(std::uint32_t argb) noexcept {
    const std::uint32_t a = argb >> 24;
    return {(argb >> 16 & 255) * a, (argb >> 8 & 255) * a, (argb & 255) * a, a};
}

// Set bits in [from, to) of a row of bits, the most significant bit leftmost.
std::uint64_t ones_in(const std::uint8_t* row, int from, int to) noexcept {
    std::uint64_t ones = 0;
    int x = from;
    const auto bit = [&](int i) { return (row[i >> 3] >> (7 - (i & 7))) & 1; };
    for (; x < to && (x & 7) != 0; ++x)
        ones += bit(x);
    for (; x + 64 <= to; x += 64) {
        std::uint64_t word = 0;
        std::memcpy(&word, row + (x >> 3), 8);
        ones += std::popcount(word);
    }
    for (; x + 8 <= to; x += 8)
        ones += std::popcount(row[x >> 3]);
    for (; x < to; ++x)
        ones += bit(x);
    return ones;
}

std::uint32_t rounded(std::uint64_t sum, std::uint64_t n) noexcept {
    return static_cast<std::uint32_t>((sum + n / 2) / n);
}

} // namespace

BoxAverage::BoxAverage(const Image& shape, int left, std::vector<int> columns, int top,
                       std::vector<int> rows)
    : m_format(shape.format), m_opaque(shape.format != PixelFormat::Argb32), m_left(left),
      m_top(top), m_columns(std::move(columns)), m_rows(std::move(rows)),
      m_sums(4 * (m_columns.size() - 1)) {
    const bool indexed = m_format == PixelFormat::Indexed8 || m_format == PixelFormat::Mono1;
    for (std::size_t i = 0; indexed && i < shape.colours.size(); ++i) {
        m_weighted[i] = weighted(shape.colours[i]);
        if (int(i) < shape.colour_count && shape.colours[i] >> 24 != 255) m_opaque = false;
    }
}

bool BoxAverage::add(int y, const std::uint8_t* pixels) noexcept {
    const int row = y - m_top;
    if (row < 0 || m_box_row >= height() || row >= m_rows.back()) return false;
    switch (m_format) {
    case PixelFormat::Indexed8:
        add_indexes(pixels);
        break;
    case PixelFormat::Mono1:
        add_bits(pixels);
        break;
    default:
        add_words(pixels);
        break;
    }
    return row + 1 == m_rows[std::size_t(m_box_row) + 1];
}

void BoxAverage::add_words(const std::uint8_t* pixels) noexcept {
    const std::uint8_t* p = pixels + 4 * std::size_t(m_left);
    std::uint64_t* sums = m_sums.data();
    const bool alpha = m_format == PixelFormat::Argb32;
    for (int b = 0; b < width(); ++b, sums += 4) {
        std::uint64_t r = 0, g = 0, bl = 0, a = 0;
        for (int x = m_columns[std::size_t(b)]; x < m_columns[std::size_t(b) + 1]; ++x, p += 4) {
            std::uint32_t c = 0;
            std::memcpy(&c, p, 4);
            const std::uint32_t w = alpha ? c >> 24 : 1;
            r += (c >> 16 & 255) * w, g += (c >> 8 & 255) * w, bl += (c & 255) * w, a += w;
        }
        sums[0] += r, sums[1] += g, sums[2] += bl, sums[3] += a;
    }
}

void BoxAverage::add_indexes(const std::uint8_t* pixels) noexcept {
    const std::uint8_t* p = pixels + m_left;
    std::uint64_t* sums = m_sums.data();
    for (int b = 0; b < width(); ++b, sums += 4) {
        std::uint64_t r = 0, g = 0, bl = 0, a = 0;
        for (int x = m_columns[std::size_t(b)]; x < m_columns[std::size_t(b) + 1]; ++x) {
            const auto& w = m_weighted[*p++];
            r += w[0], g += w[1], bl += w[2], a += w[3];
        }
        sums[0] += r, sums[1] += g, sums[2] += bl, sums[3] += a;
    }
}

// Two colours: how many pixels of a box have each is all there is to add.
void BoxAverage::add_bits(const std::uint8_t* pixels) noexcept {
    std::uint64_t* sums = m_sums.data();
    for (int b = 0; b < width(); ++b, sums += 4) {
        const int from = m_left + m_columns[std::size_t(b)];
        const int to = m_left + m_columns[std::size_t(b) + 1];
        const std::uint64_t ones = ones_in(pixels, from, to);
        const std::uint64_t zeros = std::uint64_t(to - from) - ones;
        for (int c = 0; c < 4; ++c)
            sums[c] += ones * m_weighted[1][std::size_t(c)] + zeros * m_weighted[0][std::size_t(c)];
    }
}

std::uint64_t BoxAverage::pixels_in(int box) const noexcept {
    const auto b = std::size_t(box), j = std::size_t(m_box_row);
    return std::uint64_t(m_columns[b + 1] - m_columns[b]) *
           std::uint64_t(m_rows[j + 1] - m_rows[j]);
}

void BoxAverage::take_premultiplied(std::uint32_t* out) noexcept {
    // Sums of opaque words are of the channels alone; the others of channels times alpha.
    const bool plain = m_format == PixelFormat::Rgb32;
    for (int b = 0; b < width(); ++b) {
        const std::uint64_t* s = &m_sums[4 * std::size_t(b)];
        const std::uint64_t n = pixels_in(b);
        const std::uint64_t scale = plain ? n : 255 * n;
        const std::uint32_t a = plain ? 255 : rounded(s[3], n);
        out[b] =
            a << 24 | rounded(s[0], scale) << 16 | rounded(s[1], scale) << 8 | rounded(s[2], scale);
    }
    clear();
}

void BoxAverage::take_straight(std::uint8_t* out, int channels) noexcept {
    const bool plain = m_format == PixelFormat::Rgb32;
    for (int b = 0; b < width(); ++b, out += channels) {
        const std::uint64_t* s = &m_sums[4 * std::size_t(b)];
        const std::uint64_t n = pixels_in(b);
        const std::uint64_t weight = plain ? n : s[3];
        for (int c = 0; c < 3; ++c)
            out[c] = weight == 0 ? 0 : static_cast<std::uint8_t>(rounded(s[c], weight));
        if (channels == 4) out[3] = static_cast<std::uint8_t>(plain ? 255 : rounded(s[3], n));
    }
    clear();
}

void BoxAverage::clear() noexcept {
    std::fill(m_sums.begin(), m_sums.end(), 0);
    ++m_box_row;
}

} // namespace pcx
