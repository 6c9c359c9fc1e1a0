#include "tga/decode.h"

#include <vector>

#include "pcx/target.h"
#include "tga/packets.h"
#include "tga/pixels.h"

namespace tga {
namespace {

using pcx::detail::Target;

struct Plan {
    detail::Alpha alpha = detail::Alpha::None;
    std::span<const std::uint8_t> data; // the pixel data to the end of the file
    std::size_t row_bytes = 0;          // of a stored row
};

Status check_size(const Header& h, std::size_t data_bytes, const pcx::Image& img,
                  const Options& options) noexcept {
    if (h.width == 0 || h.height == 0) return Status::EmptyPicture;
    const std::uint64_t pixels = std::uint64_t{h.width} * h.height;
    // Refused before allocating: the data could never fill the picture.
    const std::uint64_t room = h.rle() ? detail::max_run_pixels(data_bytes, h.pixel_bytes())
                                       : data_bytes / h.pixel_bytes();
    if (room < pixels) return Status::DataTooShort;
    if (img.stride * std::uint64_t{h.height} > options.max_pixel_bytes) return Status::TooLarge;
    return Status::Ok;
}

// The header judged and the picture's shape and colours set; Status::Ok when its rows can be
// decoded.
Status prepare(std::span<const std::uint8_t> file, const Options& options, Result& r,
               Plan& plan) noexcept {
    if (file.size() < kHeaderSize) return Status::TruncatedHeader;
    const Header& h = r.header;
    if (const Status kind = check_kind(h); kind != Status::Ok) return kind;
    if (file.size() < h.data_offset()) return Status::MapPastEnd;
    plan.alpha = detail::alpha_of(h, file);
    plan.data = file.subspan(h.data_offset());
    plan.row_bytes = std::size_t{h.width} * h.pixel_bytes();
    pcx::Image& img = r.image;
    img.format = detail::format_of(h, plan.alpha);
    img.width = h.width;
    img.height = h.height;
    img.stride = img.format == pcx::PixelFormat::Indexed8
                     ? (std::size_t{h.width} + 3) & ~std::size_t{3}
                     : std::size_t{h.width} * 4;
    if (img.format == pcx::PixelFormat::Indexed8) detail::read_colours(h, file, plan.alpha, img);
    return check_size(h, plan.data.size(), img, options);
}

// Row `y` of the picture, counted from the top, is the file's stored row `stored_row(y)`.
int stored_row(const Header& h, int y) noexcept {
    return h.top_down() ? y : h.height - 1 - y;
}

class Rows {
  public:
    Rows(const Header& h, const Plan& plan, Target& to, pcx::Image& img)
        : m_h(h), m_plan(plan), m_to(to), m_img(img), m_packets(plan.data, h.pixel_bytes()) {}

    // Every row in file order: the whole picture's buffer takes them where they belong, a
    // sink only top row first.
    Status in_file_order() {
        if (!m_h.rle())
            m_raw.clear();
        else
            m_raw.resize(m_plan.row_bytes);
        for (int r = 0; r < m_h.height; ++r) {
            const std::uint8_t* raw = next_stored(r);
            if (!raw) return Status::DataEnded;
            put(stored_row(m_h, r), raw);
        }
        return Status::Ok;
    }

    // A picture stored bottom row first, handed on top row first: stored rows are reached
    // directly, packed ones from where each starts in the stream, found by one pass over it.
    Status upwards() {
        if (!m_h.rle()) {
            for (int y = 0; y < m_h.height; ++y)
                put(y, m_plan.data.data() + std::size_t(stored_row(m_h, y)) * m_plan.row_bytes);
            return Status::Ok;
        }
        std::vector<detail::Packets::State> starts(m_h.height);
        for (int r = 0; r < m_h.height; ++r) {
            starts[std::size_t(r)] = m_packets.state();
            if (!m_packets.skip(m_h.width)) return Status::DataEnded;
        }
        m_raw.resize(m_plan.row_bytes);
        for (int y = 0; y < m_h.height; ++y) {
            m_packets.restore(starts[std::size_t(stored_row(m_h, y))]);
            if (!m_packets.read(m_raw.data(), m_h.width)) return Status::DataEnded;
            put(y, m_raw.data());
        }
        return Status::Ok;
    }

  private:
    const std::uint8_t* next_stored(int r) {
        if (!m_h.rle()) return m_plan.data.data() + std::size_t(r) * m_plan.row_bytes;
        return m_packets.read(m_raw.data(), m_h.width) ? m_raw.data() : nullptr;
    }
    void put(int y, const std::uint8_t* raw) {
        std::uint8_t* row = m_to.row(m_img, y);
        detail::convert_row(m_h, m_plan.alpha, m_img.format, raw, row);
        const std::size_t used =
            m_img.format == pcx::PixelFormat::Indexed8 ? m_h.width : m_img.stride;
        std::fill(row + used, row + m_img.stride, std::uint8_t{0});
        m_to.done(y);
    }

    const Header& m_h;
    const Plan& m_plan;
    Target& m_to;
    pcx::Image& m_img;
    detail::Packets m_packets;
    std::vector<std::uint8_t> m_raw;
};

Result decode_to(std::span<const std::uint8_t> file, const Options& options, Target& to) {
    Result r;
    r.header = Header::parse(file);
    Plan plan;
    r.status = prepare(file, options, r, plan);
    if (r.status == Status::Ok)
        r.status = to.open(r.image) == pcx::Status::Ok ? Status::Ok : Status::OutOfMemory;
    if (r.status == Status::Ok && !to.stopped()) {
        try {
            Rows rows(r.header, plan, to, r.image);
            r.status = to.whole() || r.header.top_down() ? rows.in_file_order() : rows.upwards();
        } catch (const std::bad_alloc&) {
            r.status = Status::OutOfMemory;
        }
    }
    if (r.status != Status::Ok) r.image.pixels.reset();
    return r;
}

} // namespace

Result decode(std::span<const std::uint8_t> file, const Options& options) {
    Target whole;
    return decode_to(file, options, whole);
}

Result decode_rows(std::span<const std::uint8_t> file, pcx::RowSink& sink, const Options& options) {
    Target rows(&sink);
    return decode_to(file, options, rows);
}

Result shape(std::span<const std::uint8_t> file, const Options& options) {
    Result r;
    r.header = Header::parse(file);
    Plan plan;
    r.status = prepare(file, options, r, plan);
    return r;
}

} // namespace tga
