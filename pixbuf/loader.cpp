#include "pixbuf/loader.h"

#include <new>

#include "pixbuf/failure.h"

namespace glimmer::pixbuf {

Canvas canvas_of(GdkPixbuf* p) noexcept {
    return {gdk_pixbuf_get_pixels(p), gdk_pixbuf_get_width(p), gdk_pixbuf_get_height(p),
            static_cast<std::size_t>(gdk_pixbuf_get_rowstride(p)), gdk_pixbuf_get_n_channels(p)};
}

bool Loader::feed(std::span<const std::uint8_t> bytes, GError** error) noexcept {
    if (m_failed) return fail_again(error);
    if (m_stopped || bytes.empty()) return true;
    try {
        if (!keep(bytes, error)) return failed();
        // A PCX file is judged by its header as soon as it is there, as glimmer-pcx judges it
        // before reading the rest; a DCX file's page once the file is whole.
        if (!m_judged && !m_whole && m_kept >= kJudgedBytes) return judge(false, error) || failed();
        return true;
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
    } catch (...) {
        set_internal_error(error);
    }
    return failed();
}

bool Loader::keep(std::span<const std::uint8_t> bytes, GError** error) {
    if (bytes.size() > m_max_file_bytes - m_kept) {
        set_too_long_error(error, m_max_file_bytes);
        return false;
    }
    if (!m_backend->append(bytes, error)) return false;
    m_kept += bytes.size();
    return true;
}

// GdkPixbuf closes a loader whose write failed: the bytes it took are no picture then.
bool Loader::failed() noexcept {
    m_failed = true;
    m_backend->drop();
    return false;
}

bool Loader::fail_again(GError** error) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED,
                        "the load had already failed");
    return false;
}

// Refuses a kind glimmer-pcx does not read and asks the program for the size it wants.
bool Loader::judge(bool whole, GError** error) {
    if (!m_backend->judge(whole, m_header, error)) return false;
    if (m_header.kind == Header::Kind::WholeFile) {
        m_whole = true;
        return true;
    }
    m_judged = true;
    if (!m_callbacks.size || m_header.kind != Header::Kind::Picture) return true;
    int width = m_header.width;
    int height = m_header.height;
    m_callbacks.size(&width, &height, m_callbacks.user_data);
    if (width <= 0 || height <= 0)
        m_stopped = true;
    else if (width <= m_header.width && height <= m_header.height &&
             (width < m_header.width || height < m_header.height))
        m_size = Size{width, height};
    if (m_stopped) m_backend->drop();
    return true;
}

bool Loader::finish(GError** error) noexcept {
    if (m_failed) return fail_again(error);
    try {
        if (m_stopped) return true;
        if (!m_judged && !judge(true, error)) return false;
        return m_stopped || decode(error);
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
    } catch (...) {
        set_internal_error(error);
    }
    return false;
}

bool Loader::decode(GError** error) {
    const bool sized = m_header.kind == Header::Kind::Picture;
    const Size size = sized ? m_size.value_or(Size{m_header.width, m_header.height}) : Size{};
    // Told of the pixbuf as soon as it is made, before any row is in it: programs such as
    // Geeqie clear the picture they are handed then, and read it on the updates.
    const auto made = [this](GdkPixbuf* p) {
        if (m_callbacks.prepared) m_callbacks.prepared(p, nullptr, m_callbacks.user_data);
    };
    m_pixbuf = m_backend->decode(size.width, size.height, made, error);
    m_backend->drop(); // the file is not needed beside its picture
    GdkPixbuf* p = m_pixbuf.get();
    if (p && m_callbacks.updated)
        m_callbacks.updated(p, 0, 0, gdk_pixbuf_get_width(p), gdk_pixbuf_get_height(p),
                            m_callbacks.user_data);
    return p != nullptr;
}

} // namespace glimmer::pixbuf
