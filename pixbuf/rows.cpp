#include "pixbuf/rows.h"

#include <unistd.h>

#include <cerrno>
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

bool CanvasRows::start(const pcx::Image& shape) noexcept {
    const int channels = shape.format == pcx::PixelFormat::Argb32 ? 4 : 3;
    // The decoder's own limit, held to the pixels this door makes.
    if (static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) *
            static_cast<std::size_t>(channels) >
        kMaxCanvasBytes) {
        m_status = pcx::Status::TooLarge;
        return false;
    }
    if (m_width < 1 || m_height < 1 || m_width > shape.width || m_height > shape.height)
        return false;
    try {
        m_canvas = m_maker.make(m_width, m_height, channels);
        if (!m_canvas) m_status = pcx::Status::OutOfMemory;
        return m_canvas && begin(shape);
    } catch (const std::bad_alloc&) {
        m_status = pcx::Status::OutOfMemory;
        return false;
    }
}

bool CanvasRows::begin(const pcx::Image& shape) {
    m_shape.format = shape.format;
    m_shape.width = shape.width;
    m_shape.height = shape.height;
    m_shape.colours = shape.colours;
    const Canvas& c = *m_canvas;
    if (c.width != m_width || c.height != m_height) return false;
    if (c.width < shape.width || c.height < shape.height) {
        // Each pixel of the smaller size averages the pixels whose box falls on it.
        const auto edges = [](int from, int to) {
            std::vector<int> e(static_cast<std::size_t>(to) + 1);
            for (int i = 0; i <= to; ++i)
                e[std::size_t(i)] = static_cast<int>((std::int64_t{i} * from + to - 1) / to);
            return e;
        };
        m_boxes.emplace(shape, 0, edges(shape.width, c.width), 0, edges(shape.height, c.height));
    }
    if (!c.pixels) m_line.resize(c.rowstride);
    m_drawing = true;
    return true;
}

std::uint8_t* CanvasRows::line(int y) noexcept {
    const Canvas& c = *m_canvas;
    return c.pixels ? c.pixels + static_cast<std::size_t>(y) * c.rowstride : m_line.data();
}

void CanvasRows::put(int y) noexcept {
    const Canvas& c = *m_canvas;
    if (c.pixels) return;
    const auto at = static_cast<off_t>(static_cast<std::size_t>(y) * c.rowstride);
    std::size_t done = 0;
    while (done < m_line.size()) {
        const ssize_t n = ::pwrite(c.fd, m_line.data() + done, m_line.size() - done,
                                   at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The host's canvas took no more (its memory ran out): no picture, then.
            m_status = pcx::Status::OutOfMemory;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void CanvasRows::row(int y, const std::uint8_t* pixels) noexcept {
    const int channels = m_canvas->channels;
    if (!m_boxes) {
        convert_row(m_shape, pixels, line(y), channels);
        put(y);
    } else if (m_boxes->add(y, pixels)) {
        m_boxes->take_straight(line(m_done), channels);
        put(m_done++);
    }
}

} // namespace glimmer::pixbuf
