#include "pixbuf/failure.h"

#include <cstdio>
#include <cstring>

namespace glimmer::pixbuf {
namespace {

// Messages are formatted into a fixed buffer: a report of failed memory must not need memory.
using Message = char[256];

void set(GError** error, GdkPixbufError code, const Message& message) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message);
}

} // namespace

void set_status_error(GError** error, pcx::Status status) noexcept {
    const int number = pcx::status_number(status);
    if (number == 0) {
        // glimmer-pcx names a kind the viewer refuses without a word.
        const char* text = pcx::status_text(status);
        const std::string_view cause = pcx::to_string(status);
        Message m;
        if (*text != '\0')
            std::snprintf(m, sizeof m, "refused: %s", text);
        else
            std::snprintf(m, sizeof m, "refused: %.*s", static_cast<int>(cause.size()),
                          cause.data());
        set(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, m);
        return;
    }
    const auto code =
        number == 7 ? GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY : GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
    Message m;
    std::snprintf(m, sizeof m, "error %d: %s", number, pcx::status_text(status));
    set(error, code, m);
}

void set_too_long_error(GError** error, std::size_t limit) noexcept {
    const std::string_view too_large = pcx::kTooLargeText;
    Message m;
    std::snprintf(m, sizeof m,
                  "error 7: %.*s: the file is larger than the %zu MiB read at the most",
                  static_cast<int>(too_large.size()), too_large.data(), limit >> 20);
    set(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, m);
}

void set_memory_error(GError** error) noexcept {
    const std::string_view memory = pcx::standard_text(7);
    Message m;
    std::snprintf(m, sizeof m, "error 7: %.*s", static_cast<int>(memory.size()), memory.data());
    set(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, m);
}

void set_read_error(GError** error, int err) noexcept {
    Message m;
    std::snprintf(m, sizeof m, "error 68: %s", std::strerror(err));
    set(error, GDK_PIXBUF_ERROR_FAILED, m);
}

void set_internal_error(GError** error) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED,
                        "error 51: Internal error");
}

} // namespace glimmer::pixbuf
