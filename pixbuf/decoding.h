// What the decoding process does with a file's bytes: judge its header (the size and whether
// it has alpha) and decode its first page into a canvas at the size asked. No GdkPixbuf, no
// I/O: the process that runs it is confined, and the fuzz target runs it in-process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pcx/status.h"

namespace glimmer::pixbuf {

// A PCX file's header is all the judging takes; a DCX file's first page is found only in the
// whole file.
inline constexpr std::size_t kJudgedBytes = 128;

struct Header {
    enum class Kind : std::uint8_t {
        Picture,   // width, height and alpha hold
        WholeFile, // a DCX file: judged once it is whole
        Undecided, // the size cannot be had; the decode says why
    };
    Kind kind = Kind::Undecided;
    int width = 0;
    int height = 0;
    bool alpha = false;
};

// Status::Ok with `out` filled, or the refusal or DCX table error that ends the load.
[[nodiscard]] pcx::Status judge(std::span<const std::uint8_t> bytes, bool whole,
                                Header& out) noexcept;

// Pixels RGB or RGBA, `rowstride` bytes apart: in memory at `pixels`, or when that is null
// written a row at a time into the file `fd` (the host's canvas, which a confined process
// fills without mapping it).
struct Canvas {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t rowstride = 0;
    int channels = 3;
    int fd = -1;
};

// The largest canvas a load makes: the decoder's own limit.
inline constexpr std::size_t kMaxCanvasBytes = std::size_t{1} << 30;

// Rows padded to 4 bytes, as GdkPixbuf lays them out.
[[nodiscard]] constexpr std::size_t canvas_rowstride(int width, int channels) noexcept {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(channels) + 3) &
           ~std::size_t{3};
}

struct Decoded {
    pcx::Status status = pcx::Status::Ok;
    bool drawn = false; // Ok and every row in the canvas
};

// Makes the canvas once the decoder has checked the file and is about to draw: no memory is
// taken for a picture whose file could not fill it.
class CanvasMaker {
  public:
    virtual ~CanvasMaker() = default;
    // A canvas of that size; nullptr when none could be made (the decode then stops there).
    virtual const Canvas* make(int width, int height, int channels) noexcept = 0;
};

// Decodes the first page of `file` into the canvas `maker` makes, at `width` x `height`: the
// picture's size, or smaller in both, each pixel then the average of its box. A size of 0
// (none could be had from the header) makes no canvas, and the decode says why.
[[nodiscard]] Decoded decode_into(std::span<const std::uint8_t> file, int width, int height,
                                  CanvasMaker& maker) noexcept;

} // namespace glimmer::pixbuf
