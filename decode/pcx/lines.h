// What the kinds beyond the viewer's share: their scan lines are one run-length stream, or
// with encoding 0 stored one after another, and each line becomes one row of the picture.
#pragma once

#include <cstring>
#include <vector>

#include "pcx/decoders.h"
#include "pcx/stream.h"

namespace pcx::detail {

// Room past the end of a line buffer that expand_line writes over: whole literal blocks and run
// fills go on past the end of the line instead of being cut there.
inline constexpr std::size_t kLineSlack = 64;

// As fill_span, for a buffer with kLineSlack bytes of room past `len`; faster there since
// neither literals nor runs are cut to the line or copied by length.
[[nodiscard]] std::size_t expand_line(Stream& s, Carry& carry, std::uint8_t* out,
                                      std::size_t len) noexcept;

class LineReader {
  public:
    LineReader(std::span<const std::uint8_t> data, bool stored, std::size_t line)
        : m_stream{data.data(), data.size(), 0}, m_stored(stored), m_line(line),
          m_buffer(stored ? 0 : line + kLineSlack) {}

    // The next scan line, or nullptr when the data ends before it is whole.
    const std::uint8_t* next() noexcept {
        if (m_stored) {
            if (m_stream.size - m_stream.pos < m_line) return nullptr;
            const std::uint8_t* line = m_stream.data + m_stream.pos;
            m_stream.pos += m_line;
            return line;
        }
        return expand_line(m_stream, m_carry, m_buffer.data(), m_line) == m_line ? m_buffer.data()
                                                                                 : nullptr;
    }

  private:
    Stream m_stream;
    Carry m_carry;
    bool m_stored;
    std::size_t m_line;
    std::vector<std::uint8_t> m_buffer;
};

// The bytes of a row of `width` pixels, before it is padded to 4 bytes.
[[nodiscard]] inline std::uint64_t row_bytes(PixelFormat format, std::uint64_t width) noexcept {
    return format == PixelFormat::Mono1      ? (width + 7) / 8
           : format == PixelFormat::Indexed8 ? width
                                             : 4 * width;
}

// Checks the shape before anything is allocated. `pixels_per_line` is how many pixels a scan
// line of BytesPerLine bytes a plane holds.
[[nodiscard]] Status check_rows(std::span<const std::uint8_t> file, const Options& options,
                                const Result& r, std::uint64_t pixels_per_line,
                                PixelFormat format) noexcept;

// Decodes every scan line and has `convert(line, row)` write the row's pixels; the pad bytes
// of a row are 0. The header arithmetic and check_rows have passed, and the colours are set.
template <class Convert>
void decode_rows(std::span<const std::uint8_t> file, PixelFormat format, Target& to, Result& r,
                 Convert convert) {
    Image& img = r.image;
    img.format = format;
    img.width = r.geometry.width;
    img.height = r.geometry.height;
    const auto used =
        static_cast<std::size_t>(row_bytes(format, static_cast<std::uint64_t>(img.width)));
    img.stride = (used + 3) & ~std::size_t{3};
    if ((r.status = to.open(img)) != Status::Ok || to.stopped()) return;
    LineReader lines(file.subspan(kHeaderSize), r.header.encoding == 0,
                     static_cast<std::size_t>(r.geometry.line));
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* line = lines.next();
        if (!line) {
            r.status = Status::DataEnded;
            return;
        }
        std::uint8_t* row = to.row(img, y);
        convert(line, row);
        std::memset(row + used, 0, img.stride - used);
        to.done(y);
    }
}

} // namespace pcx::detail
