// Hermetic PCX decoder: it decodes bytes the caller hands it, keeps no state, does no I/O.
// The viewer's kinds are 8-bit pictures with one plane (256-colour palette at the end of the
// file) or with three planes (red, green and blue per scan line); asked for every kind, it
// also reads the 1-, 2- and 4-bit kinds and 8-bit pictures with an alpha plane.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "pcx/header.h"
#include "pcx/status.h"

namespace pcx {

// As much of a file as any reader takes: the largest PCX picture's worst-case encoding is about
// 2 GiB.
inline constexpr std::size_t kMaxFileBytes = std::size_t{2} << 30;

enum class PixelFormat : std::uint8_t {
    Indexed8, // one byte per pixel indexing `colours`
    Mono1,    // one bit per pixel indexing colours[0] or [1], most significant bit leftmost
    Rgb32,    // one native-endian 0xFFRRGGBB word per pixel
    Argb32,   // one native-endian 0xAARRGGBB word per pixel, not premultiplied
};

struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
};
// Allocated with std::malloc so a caller can hand it on to code that releases with free.
using PixelBuffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

struct Image {
    PixelFormat format = PixelFormat::Indexed8;
    int width = 0;                            // pixels shown per row
    int height = 0;                           // rows, top row first
    std::size_t stride = 0;                   // bytes from one row to the next
    PixelBuffer pixels;                       // height * stride bytes
    std::array<std::uint32_t, 256> colours{}; // 0xFFRRGGBB, for Indexed8 and Mono1 only
    int colour_count = 256;                   // entries of `colours` the picture uses
};

struct Options {
    Kinds kinds = Kinds::Viewer;
    // Largest pixel buffer the caller accepts; a larger picture is Status::TooLarge.
    std::size_t max_pixel_bytes = std::size_t{1} << 30;
};

struct Result {
    Status status = Status::Ok;
    PcxHeader header;
    Geometry geometry; // valid once the header arithmetic succeeded
    Image image;       // valid when status is Status::Ok
};

// Decodes a whole PCX file held in memory.
[[nodiscard]] Result decode(std::span<const std::uint8_t> file, const Options& options = {});

// Takes a picture's rows one at a time, so that a caller that shrinks or inspects a picture
// never holds all of it. Neither function may throw.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // The picture's shape and colours (no pixels), before its first row; false when no row
    // is wanted, which ends the decode there with Status::Ok.
    virtual bool start(const Image& shape) noexcept = 0;
    // Row `y`, top row first: `shape.stride` bytes in the shape's format, its pad bytes 0.
    virtual void row(int y, const std::uint8_t* pixels) noexcept = 0;
};

// Decodes as decode() does, with the same checks and limits, but hands each row to `sink`
// instead of keeping the picture: r.image holds the shape and colours only. A decode that
// fails after some rows were handed on says so in r.status; those rows are then not the
// picture's.
[[nodiscard]] Result decode_rows(std::span<const std::uint8_t> file, RowSink& sink,
                                 const Options& options = {});

} // namespace pcx
