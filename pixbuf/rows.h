// The decoder's rows made canvas rows: RGB, or RGBA for a picture with alpha.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pcx/box_average.h"
#include "pcx/decode.h"
#include "pixbuf/decoding.h"

namespace glimmer::pixbuf {

// One row of `shape`'s format as 3 (RGB) or 4 (RGBA) bytes a pixel.
void convert_row(const pcx::Image& shape, const std::uint8_t* in, std::uint8_t* out,
                 int channels) noexcept;

// Fills a canvas of the size asked row by row, at the picture's size or shrunk to the asked
// one when that is smaller. It takes no row when the size is none, larger than the decoder's
// limit or larger than the picture, or when no canvas could be made.
class CanvasRows final : public pcx::RowSink {
  public:
    CanvasRows(int width, int height, CanvasMaker& maker) noexcept
        : m_width(width), m_height(height), m_maker(maker) {}

    bool start(const pcx::Image& shape) noexcept override;
    void row(int y, const std::uint8_t* pixels) noexcept override;

    // Status::Ok, or why the rows could not be taken.
    [[nodiscard]] pcx::Status status() const noexcept { return m_status; }
    // Whether the canvas fits the picture and took its rows.
    [[nodiscard]] bool drawing() const noexcept { return m_drawing; }

  private:
    bool begin(const pcx::Image& shape);
    // Where row `y` is made: in the canvas, or in m_line to be written out by put().
    std::uint8_t* line(int y) noexcept;
    void put(int y) noexcept;

    int m_width;
    int m_height;
    CanvasMaker& m_maker;
    const Canvas* m_canvas = nullptr;
    pcx::Status m_status = pcx::Status::Ok;
    bool m_drawing = false;
    pcx::Image m_shape;                     // the shape and colours, no pixels
    std::optional<pcx::BoxAverage> m_boxes; // for a smaller size
    std::vector<std::uint8_t> m_line;       // a row on its way to a canvas written to
    int m_done = 0;                         // rows of boxes written
};

} // namespace glimmer::pixbuf
