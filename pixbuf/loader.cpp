#include "pixbuf/loader.h"

#include <algorithm>
#include <new>

#include "pcx/dcx.h"
#include "pixbuf/failure.h"

namespace glimmer::pixbuf {

bool Loader::feed(std::span<const std::uint8_t> bytes, GError** error) noexcept {
    if (m_failed) return fail_again(error);
    if (m_stopped || bytes.empty()) return true;
    try {
        if (!grow(bytes.size(), error)) return failed();
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
        return failed();
    }
    // A PCX file is judged by its header as soon as it is there, as glimmer-pcx judges it
    // before reading the rest; a DCX file's page is judged once the file is whole.
    if (!m_judged && m_bytes.size() >= pcx::kHeaderSize && !pcx::is_dcx(m_bytes))
        return judge(m_bytes, error) || failed();
    return true;
}

// GdkPixbuf closes a loader whose write failed: the bytes it took are no picture then.
bool Loader::failed() noexcept {
    m_failed = true;
    m_bytes = {};
    return false;
}

bool Loader::fail_again(GError** error) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED,
                        "the load had already failed");
    return false;
}

bool Loader::grow(std::size_t more, GError** error) {
    if (more > m_max_file_bytes - m_bytes.size()) {
        set_too_long_error(error, m_max_file_bytes);
        return false;
    }
    const std::size_t need = m_bytes.size() + more;
    // Doubling, but never past the limit: the buffer stays within what the file brings.
    if (need > m_bytes.capacity())
        m_bytes.reserve(std::min(m_max_file_bytes, std::max(need, m_bytes.capacity() * 2)));
    return true;
}

// Refuses a kind glimmer-pcx does not read and asks the program for the size it wants.
bool Loader::judge(std::span<const std::uint8_t> page, GError** error) noexcept {
    m_judged = true;
    const pcx::PcxHeader header = pcx::PcxHeader::parse(page);
    if (const pcx::Status kind = pcx::check_kind(header, pcx::Kinds::Every);
        kind != pcx::Status::Ok) {
        set_status_error(error, kind);
        return false;
    }
    pcx::Geometry g;
    if (!m_callbacks.size || pcx::compute_geometry(header, g) != pcx::Status::Ok || g.width < 1 ||
        g.height < 1)
        return true; // the decode says what is wrong
    int width = g.width;
    int height = g.height;
    m_callbacks.size(&width, &height, m_callbacks.user_data);
    if (width <= 0 || height <= 0)
        m_stopped = true;
    else if (width <= g.width && height <= g.height && (width < g.width || height < g.height))
        m_size = PixbufRows::Size{width, height};
    return true;
}

std::span<const std::uint8_t> Loader::first_page(pcx::Status& status) const {
    if (!pcx::is_dcx(m_bytes)) return m_bytes;
    pcx::DcxPages dcx = pcx::dcx_pages(m_bytes);
    status = dcx.status;
    return status == pcx::Status::Ok ? dcx.pages.front() : std::span<const std::uint8_t>{};
}

bool Loader::finish(GError** error) noexcept {
    if (m_failed) return fail_again(error);
    try {
        if (m_stopped) return true;
        pcx::Status table = pcx::Status::Ok;
        const auto page = first_page(table);
        if (table != pcx::Status::Ok) {
            set_status_error(error, table);
            return false;
        }
        if (!m_judged && !judge(page, error)) return false;
        return m_stopped || decode(page, error);
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
    } catch (...) {
        set_internal_error(error);
    }
    return false;
}

bool Loader::decode(std::span<const std::uint8_t> page, GError** error) {
    const pcx::Options options{.kinds = pcx::Kinds::Every};
    PixbufRows rows(m_size, options.max_pixel_bytes, {m_callbacks.prepared, m_callbacks.user_data});
    pcx::Result r = pcx::decode_rows(page, rows, options);
    const pcx::Status status = r.status != pcx::Status::Ok ? r.status : rows.status();
    if (status != pcx::Status::Ok) {
        set_status_error(error, status);
        return false;
    }
    m_bytes = {}; // the file is not needed beside its picture
    m_pixbuf = rows.take();
    if (!m_pixbuf) {
        set_status_error(error, pcx::Status::OutOfMemory);
        return false;
    }
    GdkPixbuf* p = m_pixbuf.get();
    if (m_callbacks.updated)
        m_callbacks.updated(p, 0, 0, gdk_pixbuf_get_width(p), gdk_pixbuf_get_height(p),
                            m_callbacks.user_data);
    return true;
}

} // namespace glimmer::pixbuf
