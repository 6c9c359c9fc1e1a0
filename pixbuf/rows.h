// The decoder's rows made GdkPixbuf rows: RGB, or RGBA for a picture with alpha.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "pcx/box_average.h"
#include "pcx/decode.h"

namespace glimmer::pixbuf {

struct PixbufUnref {
    void operator()(GdkPixbuf* p) const noexcept { g_object_unref(p); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufUnref>;

// One row of `shape`'s format as 3 (RGB) or 4 (RGBA) bytes a pixel.
void convert_row(const pcx::Image& shape, const std::uint8_t* in, std::uint8_t* out,
                 int channels) noexcept;

// Makes the pixbuf when the decoder knows the picture's shape and fills it row by row, at the
// picture's size or shrunk to `size` when that is smaller.
class PixbufRows final : public pcx::RowSink {
  public:
    struct Size {
        int width = 0;
        int height = 0;
    };
    // Told of the pixbuf as soon as it is made, before any row is in it: programs such as
    // Geeqie clear the picture they are handed then, and read it on the updates that follow.
    struct Prepared {
        GdkPixbufModulePreparedFunc func = nullptr;
        gpointer user_data = nullptr;
    };
    PixbufRows(std::optional<Size> size, std::size_t max_bytes, Prepared prepared) noexcept
        : m_size(size), m_max_bytes(max_bytes), m_prepared(prepared) {}

    bool start(const pcx::Image& shape) noexcept override;
    void row(int y, const std::uint8_t* pixels) noexcept override;

    // Status::Ok, or why no pixbuf could be made for the shape.
    [[nodiscard]] pcx::Status status() const noexcept { return m_status; }
    [[nodiscard]] PixbufPtr take() noexcept { return std::move(m_pixbuf); }

  private:
    bool make(const pcx::Image& shape);

    std::optional<Size> m_size;
    std::size_t m_max_bytes;
    Prepared m_prepared;
    pcx::Status m_status = pcx::Status::Ok;
    pcx::Image m_shape; // the shape and colours, no pixels
    int m_channels = 3;
    PixbufPtr m_pixbuf;
    std::optional<pcx::BoxAverage> m_boxes; // for a smaller size
    int m_done = 0;                         // rows of boxes written
};

} // namespace glimmer::pixbuf
