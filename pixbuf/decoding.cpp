#include "pixbuf/decoding.h"

#include <new>

#include "pcx/dcx.h"
#include "pcx/decode.h"
#include "pixbuf/rows.h"

namespace glimmer::pixbuf {
namespace {

// The file itself, or a DCX file's first page.
pcx::Status first_page(std::span<const std::uint8_t>& bytes) {
    if (!pcx::is_dcx(bytes)) return pcx::Status::Ok;
    const pcx::DcxPages dcx = pcx::dcx_pages(bytes);
    if (dcx.status == pcx::Status::Ok) bytes = dcx.pages.front();
    return dcx.status;
}

// The shape the decoder makes of a whole file, which may be narrower than the header's
// geometry (pad bytes are not shown): nothing past the header and palette is read.
class ShapeOnly final : public pcx::RowSink {
  public:
    bool start(const pcx::Image& shape) noexcept override {
        width = shape.width;
        height = shape.height;
        return false;
    }
    void row(int, const std::uint8_t*) noexcept override {}
    int width = 0;
    int height = 0;
};

} // namespace

pcx::Status judge(std::span<const std::uint8_t> bytes, bool whole, Header& out) noexcept {
    out = Header{};
    if (!whole && pcx::is_dcx(bytes)) {
        out.kind = Header::Kind::WholeFile;
        return pcx::Status::Ok;
    }
    try {
        if (const pcx::Status table = first_page(bytes); table != pcx::Status::Ok) return table;
    } catch (const std::bad_alloc&) {
        return pcx::Status::OutOfMemory;
    }
    const pcx::PcxHeader header = pcx::PcxHeader::parse(bytes);
    if (const pcx::Status kind = pcx::check_kind(header, pcx::Kinds::Every);
        kind != pcx::Status::Ok)
        return kind;
    pcx::Geometry g;
    if (pcx::compute_geometry(header, g) != pcx::Status::Ok || g.width < 1 || g.height < 1)
        return pcx::Status::Ok; // the decode says what is wrong
    if (whole) {
        ShapeOnly shape;
        if (pcx::decode_rows(bytes, shape, {.kinds = pcx::Kinds::Every}).status ==
                pcx::Status::Ok &&
            shape.width > 0 && shape.height > 0) {
            g.width = shape.width;
            g.height = shape.height;
        }
    }
    out =
        Header{Header::Kind::Picture, g.width, g.height, pcx::kind_of(header) == pcx::Kind::Rgba32};
    return pcx::Status::Ok;
}

Decoded decode_into(std::span<const std::uint8_t> file, int width, int height,
                    CanvasMaker& maker) noexcept {
    try {
        if (const pcx::Status table = first_page(file); table != pcx::Status::Ok)
            return {table, false};
        CanvasRows rows(width, height, maker);
        const pcx::Result r = pcx::decode_rows(file, rows, {.kinds = pcx::Kinds::Every});
        const pcx::Status status = r.status != pcx::Status::Ok ? r.status : rows.status();
        return {status, status == pcx::Status::Ok && rows.drawing()};
    } catch (const std::bad_alloc&) {
        return {pcx::Status::OutOfMemory, false};
    }
}

} // namespace glimmer::pixbuf
