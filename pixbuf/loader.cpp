#include "pixbuf/loader.h"

#include <new>

#include "pixbuf/failure.h"

namespace glimmer::pixbuf {

Canvas canvas_of(GdkPixbuf* p) noexcept {
    return {gdk_pixbuf_get_pixels(p),     gdk_pixbuf_get_width(p),
            gdk_pixbuf_get_height(p),     static_cast<std::size_t>(gdk_pixbuf_get_rowstride(p)),
            gdk_pixbuf_get_n_channels(p), -1};
}

bool Loader::feed(std::span<const std::uint8_t> bytes, GError** error) noexcept {
    if (m_failed) return fail_again(error);
    if ((m_decided && m_decided->stop) || bytes.empty()) return true;
    try {
        if (!keep(bytes, error)) return failed();
        if (!m_decided && !m_whole && m_kept >= kEarlyBytes) return judge_start(error) || failed();
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

// Refuses a kind glimmer-pcx does not read and asks the program for the size it wants, as
// glimmer-pcx judges a file before reading the rest; a DCX file's page once the file is whole.
bool Loader::judge_start(GError** error) {
    Header header;
    if (!m_backend->judge_start(header, error)) return false;
    if (header.kind == Header::Kind::WholeFile) {
        m_whole = true;
        return true;
    }
    m_decided = decide(header);
    if (m_decided->stop) m_backend->drop();
    return true;
}

Decision Loader::decide(const Header& header) {
    if (header.kind != Header::Kind::Picture) return {};
    int width = header.width;
    int height = header.height;
    if (m_callbacks.size) m_callbacks.size(&width, &height, m_callbacks.user_data);
    if (width <= 0 || height <= 0) return {0, 0, true};
    // Only a smaller size in both is taken; GdkPixbuf scales to any other.
    if (width > header.width || height > header.height) return {header.width, header.height};
    return {width, height};
}

bool Loader::finish(GError** error) noexcept {
    if (m_failed) return fail_again(error);
    try {
        return (m_decided && m_decided->stop) || load(error);
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
    } catch (...) {
        set_internal_error(error);
    }
    return false;
}

bool Loader::load(GError** error) {
    const Decide decide = [this](const Header& header) {
        return m_decided ? *m_decided : this->decide(header);
    };
    // Told of the pixbuf as soon as it is made, before any row is in it: programs such as
    // Geeqie clear the picture they are handed then, and read it on the updates.
    const Made made = [this](GdkPixbuf* p) {
        if (m_callbacks.prepared) m_callbacks.prepared(p, nullptr, m_callbacks.user_data);
    };
    GError* failure = nullptr;
    m_pixbuf = m_backend->load(decide, made, &failure);
    m_backend->drop(); // the file is not needed beside its picture
    if (failure) {
        g_propagate_error(error, failure);
        return false;
    }
    GdkPixbuf* p = m_pixbuf.get();
    if (p && m_callbacks.updated)
        m_callbacks.updated(p, 0, 0, gdk_pixbuf_get_width(p), gdk_pixbuf_get_height(p),
                            m_callbacks.user_data);
    return true; // no pixbuf and no error: the program asked for none
}

} // namespace glimmer::pixbuf
