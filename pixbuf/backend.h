// Where a load's bytes go and what reads them: a confined process of its own (the module), or
// this process (the fuzz target, and the measurement of what confinement costs).
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "pixbuf/decoding.h"

namespace glimmer::pixbuf {

struct PixbufUnref {
    void operator()(GdkPixbuf* p) const noexcept { g_object_unref(p); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufUnref>;

class Backend {
  public:
    virtual ~Backend() = default;
    // Keeps the next bytes; false with `error` set when they cannot be kept.
    virtual bool append(std::span<const std::uint8_t> bytes, GError** error) = 0;
    // Judges the bytes kept (their first kJudgedBytes; all of them when `whole`); false with
    // `error` set when the file is refused.
    virtual bool judge(bool whole, Header& out, GError** error) = 0;
    // Decodes every byte kept at `width` x `height` (0 x 0 when the header gave no size, so
    // that the decode says why): the pixbuf, or null with `error` set. `made` is told of the
    // pixbuf once the file was checked and before any row is in it.
    virtual PixbufPtr decode(int width, int height, const std::function<void(GdkPixbuf*)>& made,
                             GError** error) = 0;
    // The bytes are not needed any more.
    virtual void drop() noexcept = 0;
};

// The module's: confined.cpp; the fuzz target's and the measurements': direct.cpp.
[[nodiscard]] std::unique_ptr<Backend> make_backend();

// The canvas a pixbuf's pixels are.
[[nodiscard]] Canvas canvas_of(GdkPixbuf* pixbuf) noexcept;

} // namespace glimmer::pixbuf
