#include "pixbuf/failure.h"

#include <cstdio>
#include <cstring>

namespace glimmer::pixbuf {
namespace {

// Formatted into a fixed buffer: a report of failed memory must not need memory.
template <typename... Args>
void set(GError** error, GdkPixbufError code, const char* format, Args... args) noexcept {
    char message[256];
    std::snprintf(message, sizeof message, format, args...);
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message);
}

} // namespace

void set_status_error(GError** error, pcx::Status status) noexcept {
    const int number = pcx::status_number(status);
    if (number == 0) {
        // glimmer-pcx names a kind the viewer refuses without a word.
        const char* text = pcx::status_text(status);
        const std::string_view cause = pcx::to_string(status);
        if (*text != '\0')
            set(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "refused: %s", text);
        else
            set(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "refused: %.*s",
                static_cast<int>(cause.size()), cause.data());
        return;
    }
    const auto code =
        number == 7 ? GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY : GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
    set(error, code, "error %d: %s", number, pcx::status_text(status));
}

void set_too_long_error(GError** error, std::size_t limit) noexcept {
    set(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
        "error 7: Out of memory: the file is larger than the %zu MiB read at the most",
        limit >> 20);
}

void set_memory_error(GError** error) noexcept {
    set(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "error 7: Out of memory");
}

void set_read_error(GError** error, int err) noexcept {
    set(error, GDK_PIXBUF_ERROR_FAILED, "error 68: %s", std::strerror(err));
}

void set_internal_error(GError** error) noexcept {
    set(error, GDK_PIXBUF_ERROR_FAILED, "error 51: Internal error");
}

} // namespace glimmer::pixbuf
