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

// What the program wants of a judged picture: a size (the picture's or smaller; 0 x 0 when the
// header gave none, so that the decode says why), or no picture at all.
struct Decision {
    int width = 0;
    int height = 0;
    bool stop = false;
};
using Decide = std::function<Decision(const Header&)>;
using Made = std::function<void(GdkPixbuf*)>;

class Backend {
  public:
    virtual ~Backend() = default;
    // Keeps the next bytes; false with `error` set when they cannot be kept.
    virtual bool append(std::span<const std::uint8_t> bytes, GError** error) = 0;
    // Judges the first kJudgedBytes kept, before the rest is there; false with `error` set when
    // the file is refused.
    virtual bool judge_start(Header& out, GError** error) = 0;
    // Judges every byte kept, asks `decide`, and decodes at the size decided: the pixbuf, told
    // of through `made` once the file was checked and before any row is in it; null with
    // `error` set when the load fails, or with no error when `decide` stopped it.
    virtual PixbufPtr load(const Decide& decide, const Made& made, GError** error) = 0;
    // The bytes are not needed any more.
    virtual void drop() noexcept = 0;
};

// The module's: confined.cpp; the fuzz target's and the measurements': direct.cpp.
[[nodiscard]] std::unique_ptr<Backend> make_backend();

// The canvas a pixbuf's pixels are.
[[nodiscard]] Canvas canvas_of(GdkPixbuf* pixbuf) noexcept;

} // namespace glimmer::pixbuf
