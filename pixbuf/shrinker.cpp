#include "pixbuf/shrinker.h"

namespace glimmer::pixbuf {

Shrinker::Shrinker(int source_width, int source_height, Plane target, int width, int height,
                   int channels)
    : m_source_height(source_height), m_target(target), m_width(width), m_height(height),
      m_channels(channels), m_column(static_cast<std::size_t>(source_width)),
      m_per_box(static_cast<std::size_t>(width)), m_sums(static_cast<std::size_t>(width) * 4) {
    for (int x = 0; x < source_width; ++x) {
        const auto tx = static_cast<int>(std::int64_t{x} * width / source_width);
        m_column[static_cast<std::size_t>(x)] = tx;
        ++m_per_box[static_cast<std::size_t>(tx)];
    }
}

int Shrinker::target_row(int y) const noexcept {
    return static_cast<int>(std::int64_t{y} * m_height / m_source_height);
}

void Shrinker::add(int y, const std::uint8_t* row) noexcept {
    const bool alpha = m_channels == 4;
    for (std::size_t x = 0; x < m_column.size(); ++x, row += m_channels) {
        std::uint64_t* sum = &m_sums[static_cast<std::size_t>(m_column[x]) * 4];
        // Colours weighted by alpha, so a transparent pixel's colour does not bleed.
        const std::uint32_t a = alpha ? row[3] : 1;
        sum[0] += std::uint64_t{row[0]} * a;
        sum[1] += std::uint64_t{row[1]} * a;
        sum[2] += std::uint64_t{row[2]} * a;
        sum[3] += a;
    }
    ++m_rows;
    const int ty = target_row(y);
    if (y + 1 == m_source_height || target_row(y + 1) != ty) flush(ty);
}

void Shrinker::flush(int ty) noexcept {
    std::uint8_t* out = m_target.pixels + static_cast<std::size_t>(ty) * m_target.stride;
    for (std::size_t tx = 0; tx < static_cast<std::size_t>(m_width); ++tx, out += m_channels) {
        std::uint64_t* sum = &m_sums[tx * 4];
        const std::uint64_t n = std::uint64_t{m_per_box[tx]} * static_cast<std::uint64_t>(m_rows);
        const std::uint64_t weight = sum[3];
        for (int c = 0; c < 3; ++c)
            out[c] = weight == 0 ? 0 : static_cast<std::uint8_t>((sum[c] + weight / 2) / weight);
        if (m_channels == 4) out[3] = static_cast<std::uint8_t>((weight + n / 2) / n);
        sum[0] = sum[1] = sum[2] = sum[3] = 0;
    }
    m_rows = 0;
}

} // namespace glimmer::pixbuf
