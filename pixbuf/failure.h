// Every way a load fails, as a GError whose message is what glimmer-pcx prints for the cause
// after the file's name.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>

#include "pcx/status.h"

namespace glimmer::pixbuf {

// A decoder status other than Ok: "refused: ..." or "error N: ...".
void set_status_error(GError** error, pcx::Status status) noexcept;
// A file longer than glimmer-pcx reads (`limit` bytes).
void set_too_long_error(GError** error, std::size_t limit) noexcept;
// Memory that could not be had outside the decoder.
void set_memory_error(GError** error) noexcept;
// A read of the file that failed with `err` (errno).
void set_read_error(GError** error, int err) noexcept;
// Anything else that must not reach the host.
void set_internal_error(GError** error) noexcept;

} // namespace glimmer::pixbuf
