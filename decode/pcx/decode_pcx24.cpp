// True-colour pictures: each scan line holds the red, then green, then blue samples of the
// line, B bytes each. The data is one run-length stream in which runs may cross line ends.
// Lines are decoded one at a time into a small scratch line and interleaved straight into
// the picture; bytes after the last scan line are ignored.
#include <algorithm>
#include <cstring>
#include <vector>

#include "pcx/decoders.h"
#include "pcx/interleave.h"
#include "pcx/lines.h"
#include "pcx/stream.h"

namespace pcx::detail {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

// A width of B + 1 reads one byte past each line's red and green planes: the column's red
// is the line's first green sample, its green the first blue sample, and its blue the next
// line's first red sample (0 after the last line, `next` null).
void fill_spill(std::uint8_t* row, const std::uint8_t* next, int plane) noexcept {
    auto* px = reinterpret_cast<std::uint32_t*>(row);
    const std::uint32_t next_red =
        next ? (reinterpret_cast<const std::uint32_t*>(next)[0] >> 16) & 0xFF : 0;
    const std::uint32_t first = px[0];
    px[plane] = kBlack | ((first >> 8) & 0xFF) << 16 | (first & 0xFF) << 8 | next_red;
}

Status check_shape(std::span<const std::uint8_t> file, const Geometry& g, int plane,
                   const Options& options) noexcept {
    if (g.width < 1 || g.height < 1 || g.line < 0) return Status::BadDimensions;
    if (file.size() < kHeaderSize) return Status::TruncatedHeader;
    // Column x of a line reads plane bytes x, B + x and 2B + x of 3B + 1 bytes in the last
    // line, so every read stays inside exactly when W - 1 <= B.
    if (g.width > plane + 1) return Status::PlaneReadOutside;
    // A picture the data could not fill even with the longest runs is refused before
    // allocating; one it merely might not fill shows black below the data.
    if (max_decoded(file.size() - kHeaderSize) <
        static_cast<std::uint64_t>(g.line) * static_cast<std::uint64_t>(g.height))
        return Status::DataTooShort;
    auto bytes = 4 * static_cast<std::uint64_t>(g.width) * static_cast<std::uint64_t>(g.height);
    if (bytes > options.max_pixel_bytes) return Status::TooLarge;
    return Status::Ok;
}

// Decodes line `y` into `out`, black once the data has ended.
class Lines {
  public:
    Lines(std::span<const std::uint8_t> file, std::size_t plane, int width)
        : m_s{file.data() + kHeaderSize, file.size() - kHeaderSize, 0},
          m_line(3 * plane + kLineSlack), m_plane(plane), m_width(width),
          m_columns(std::min<int>(width, static_cast<int>(plane))) {}
    void next(std::uint8_t* row) {
        auto* out = reinterpret_cast<std::uint32_t*>(row);
        if (m_s.ended() && m_carry.left == 0) {
            std::fill(out, out + m_width, kBlack);
            return;
        }
        const std::size_t got = expand_line(m_s, m_carry, m_line.data(), 3 * m_plane);
        std::memset(m_line.data() + got, 0, 3 * m_plane - got);
        interleave<false>(m_line.data(), m_line.data() + m_plane, m_line.data() + 2 * m_plane,
                          nullptr, m_columns, out);
    }

  private:
    Stream m_s;
    Carry m_carry;
    std::vector<std::uint8_t> m_line;
    std::size_t m_plane;
    int m_width, m_columns;
};

void decode_lines(std::span<const std::uint8_t> file, std::size_t plane, Target& to, Image& img) {
    Lines lines(file, plane, img.width);
    const bool spill = img.width > static_cast<int>(plane);
    if (!spill || to.whole()) {
        for (int y = 0; y < img.height; ++y) {
            lines.next(to.row(img, y));
            to.done(y);
        }
        if (spill)
            for (int y = 0; y < img.height; ++y)
                fill_spill(to.row(img, y), y + 1 < img.height ? to.row(img, y + 1) : nullptr,
                           static_cast<int>(plane));
        return;
    }
    // Streamed, a row's spill column waits for the next row's first red.
    std::vector<std::uint8_t> held(img.stride);
    for (int y = 0; y < img.height; ++y) {
        std::uint8_t* row = to.row(img, y);
        lines.next(row);
        if (y > 0) {
            fill_spill(held.data(), row, static_cast<int>(plane));
            to.put(y - 1, held.data());
        }
        std::memcpy(held.data(), row, img.stride);
    }
    fill_spill(held.data(), nullptr, static_cast<int>(plane));
    to.put(img.height - 1, held.data());
}

} // namespace

void DecodePcx24(std::span<const std::uint8_t> file, const Options& options, Target& to,
                 Result& r) {
    if ((r.status = compute_geometry(r.header, r.geometry)) != Status::Ok) return;
    const int plane = r.header.bytes_per_line;
    if ((r.status = check_shape(file, r.geometry, plane, options)) != Status::Ok) return;

    Image& img = r.image;
    img.format = PixelFormat::Rgb32;
    img.width = r.geometry.width;
    img.height = r.geometry.height;
    img.stride = 4 * static_cast<std::size_t>(img.width);
    if ((r.status = to.open(img)) != Status::Ok || to.stopped()) return;
    if (plane == 0) {
        // Lines of no bytes: the one column (W - 1 <= B) reads plane byte 0 for its red, green
        // and blue in every row, and that is the first byte the data decodes to.
        Stream st{file.data() + kHeaderSize, file.size() - kHeaderSize, 0};
        Carry carry;
        std::uint8_t first = 0;
        (void)fill_span(st, carry, &first, 1);
        const std::uint32_t grey = kBlack | first * 0x010101u;
        for (int y = 0; y < img.height; ++y) {
            auto* px = reinterpret_cast<std::uint32_t*>(to.row(img, y));
            std::fill(px, px + img.width, grey);
            to.done(y);
        }
        return;
    }
    decode_lines(file, static_cast<std::size_t>(plane), to, img);
}

} // namespace pcx::detail
