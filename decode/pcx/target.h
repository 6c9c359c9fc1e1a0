// Where a decoder puts its rows: the whole picture's buffer, or one row at a time handed to a
// RowSink, so that every kind is decoded the same way whether it is kept or streamed.
#pragma once

#include "pcx/decode.h"

namespace pcx::detail {

// malloc that reports failure instead of throwing; nullptr for a size of 0 or no memory.
[[nodiscard]] PixelBuffer allocate(std::size_t bytes) noexcept;

class Target {
  public:
    explicit Target(RowSink* sink = nullptr) noexcept : m_sink(sink) {}

    [[nodiscard]] bool whole() const noexcept { return m_sink == nullptr; }
    // Room for the rows of `img`, whose shape and colours are set: the whole buffer in
    // img.pixels, or one row that is handed on: Status::Ok or OutOfMemory. After it, stopped()
    // tells whether the sink wants no rows.
    [[nodiscard]] Status open(Image& img) noexcept {
        if (whole()) {
            img.pixels = allocate(img.stride * static_cast<std::size_t>(img.height));
            return img.pixels ? Status::Ok : Status::OutOfMemory;
        }
        m_row = allocate(img.stride);
        if (!m_row) return Status::OutOfMemory;
        m_stopped = !m_sink->start(img);
        return Status::Ok;
    }
    // Where row `y` is decoded to.
    [[nodiscard]] std::uint8_t* row(Image& img, int y) const noexcept {
        return whole() ? img.pixels.get() + static_cast<std::size_t>(y) * img.stride : m_row.get();
    }
    // Row `y` is complete in row(img, y).
    void done(int y) noexcept {
        if (!whole()) m_sink->row(y, m_row.get());
    }
    // Hands on a row held elsewhere, for a decoder that must see the next row first.
    void put(int y, const std::uint8_t* pixels) noexcept { m_sink->row(y, pixels); }
    [[nodiscard]] bool stopped() const noexcept { return m_stopped; }

  private:
    RowSink* m_sink;
    PixelBuffer m_row;
    bool m_stopped = false;
};

} // namespace pcx::detail
