// A picture made smaller by averaging its pixels over boxes, a row at a time: what is held is a
// row of sums, whatever the size of the picture. Thumbnails, previews and the GdkPixbuf loader's
// smaller sizes all shrink through it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pcx/decode.h"

namespace pcx {

class BoxAverage {
  public:
    // Boxes over the part of a picture of `shape` that starts at column `left` and row `top`:
    // box column i takes the columns from columns[i] to before columns[i + 1], box row j the
    // rows from rows[j] to before rows[j + 1], counted from that corner; both lists rise and
    // start at 0. Throws std::bad_alloc.
    BoxAverage(const Image& shape, int left, std::vector<int> columns, int top,
               std::vector<int> rows);

    // Row `y` of the picture, rows in order, in the shape's format. True when it completes a
    // row of boxes, which take_*() then hands out.
    [[nodiscard]] bool add(int y, const std::uint8_t* pixels) noexcept;

    // The completed row of boxes, as 0xAARRGGBB words premultiplied by alpha.
    void take_premultiplied(std::uint32_t* out) noexcept;
    // The same as `channels` bytes a box, red, green, blue and (for 4) alpha, not premultiplied.
    void take_straight(std::uint8_t* out, int channels) noexcept;

    [[nodiscard]] int width() const noexcept { return static_cast<int>(m_columns.size()) - 1; }
    [[nodiscard]] int height() const noexcept { return static_cast<int>(m_rows.size()) - 1; }
    // Whether every pixel is opaque, as far as the shape tells.
    [[nodiscard]] bool opaque() const noexcept { return m_opaque; }

  private:
    void add_words(const std::uint8_t* pixels) noexcept;
    void add_indexes(const std::uint8_t* pixels) noexcept;
    void add_bits(const std::uint8_t* pixels) noexcept;
    [[nodiscard]] std::uint64_t pixels_in(int box) const noexcept;
    void clear() noexcept;

    PixelFormat m_format;
    bool m_opaque;
    int m_left;
    int m_top;
    std::vector<int> m_columns;
    std::vector<int> m_rows;
    // A colour's channels weighted by its alpha, and the alpha: what each index adds.
    std::array<std::array<std::uint32_t, 4>, 256> m_weighted{};
    std::vector<std::uint64_t> m_sums; // four a box: red, green, blue (times alpha), alpha
    int m_box_row = 0;                 // the row of boxes being summed
};

} // namespace pcx
