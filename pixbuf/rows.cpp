#include "pixbuf/rows.h"

#include <cstring>
#include <new>
#include <vector>

namespace glimmer::pixbuf {
namespace {

void put(std::uint8_t* out, std::uint32_t argb, int channels) noexcept {
    out[0] = static_cast<std::uint8_t>(argb >> 16);
    out[1] = static_cast<std::uint8_t>(argb >> 8);
    out[2] = static_cast<std::uint8_t>(argb);
    if (channels == 4) out[3] = static_cast<std::uint8_t>(argb >> 24);
}

} // namespace

void convert_row(const pcx::Image& shape, const std::uint8_t* in, std::uint8_t* out,
                 int channels) noexcept {
    const int w = shape.width;
    switch (shape.format) {
    case pcx::PixelFormat::Indexed8:
        for (int x = 0; x < w; ++x, out += channels)
            put(out, shape.colours[in[x]], channels);
        return;
    case pcx::PixelFormat::Mono1:
        for (int x = 0; x < w; ++x, out += channels)
            put(out, shape.colours[(in[x >> 3] >> (7 - (x & 7))) & 1], channels);
        return;
    case pcx::PixelFormat::Rgb32:
    case pcx::PixelFormat::Argb32:
        for (int x = 0; x < w; ++x, out += channels, in += 4) {
            std::uint32_t argb = 0;
            std::memcpy(&argb, in, sizeof argb);
            put(out, argb, channels);
        }
        return;
    }
}

bool PixbufRows::start(const pcx::Image& shape) noexcept {
    try {
        return make(shape);
    } catch (const std::bad_alloc&) {
        m_pixbuf.reset();
        m_status = pcx::Status::OutOfMemory;
        return false;
    }
}

bool PixbufRows::make(const pcx::Image& shape) {
    m_shape.format = shape.format;
    m_shape.width = shape.width;
    m_shape.height = shape.height;
    m_shape.colours = shape.colours;
    m_channels = shape.format == pcx::PixelFormat::Argb32 ? 4 : 3;
    const Size size = m_size.value_or(Size{shape.width, shape.height});
    // The decoder's own limit, held to the pixels this door makes.
    const auto bytes = static_cast<std::size_t>(size.width) *
                       static_cast<std::size_t>(size.height) * static_cast<std::size_t>(m_channels);
    if (bytes > m_max_bytes) {
        m_status = pcx::Status::TooLarge;
        return false;
    }
    m_pixbuf.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, m_channels == 4, 8, size.width, size.height));
    if (!m_pixbuf) {
        m_status = pcx::Status::OutOfMemory;
        return false;
    }
    if (m_size) {
        // Each pixel of the smaller size averages the pixels whose box falls on it.
        const auto edges = [](int from, int to) {
            std::vector<int> e(static_cast<std::size_t>(to) + 1);
            for (int i = 0; i <= to; ++i)
                e[std::size_t(i)] = static_cast<int>((std::int64_t{i} * from + to - 1) / to);
            return e;
        };
        m_boxes.emplace(shape, 0, edges(shape.width, size.width), 0,
                        edges(shape.height, size.height));
    }
    if (m_prepared.func) m_prepared.func(m_pixbuf.get(), nullptr, m_prepared.user_data);
    return true;
}

void PixbufRows::row(int y, const std::uint8_t* pixels) noexcept {
    const auto stride = static_cast<std::size_t>(gdk_pixbuf_get_rowstride(m_pixbuf.get()));
    std::uint8_t* start = gdk_pixbuf_get_pixels(m_pixbuf.get());
    if (!m_boxes) {
        convert_row(m_shape, pixels, start + static_cast<std::size_t>(y) * stride, m_channels);
    } else if (m_boxes->add(y, pixels)) {
        m_boxes->take_straight(start + static_cast<std::size_t>(m_done++) * stride, m_channels);
    }
}

} // namespace glimmer::pixbuf
