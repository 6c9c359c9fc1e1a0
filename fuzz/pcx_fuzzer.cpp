// Fuzz target for the decoder core. Besides crashes and sanitizer reports it checks that a
// decoded picture's buffer really holds what its shape says, by reading all of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "pcx/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pcx::Limits limits;
    limits.max_pixel_bytes = std::size_t{8} << 20; // keep each input quick
    const pcx::Result r = pcx::decode(std::span(data, size), limits);
    if (r.status != pcx::Status::Ok) {
        if (r.image.pixels) std::abort(); // failures must not hand out pixels
        return 0;
    }
    const pcx::Image& img = r.image;
    const std::size_t bpp = img.format == pcx::PixelFormat::Rgb32 ? 4 : 1;
    if (img.width < 1 || img.height < 1 || img.stride < bpp * std::size_t(img.width)) std::abort();
    // A volatile sink keeps the optimiser from dropping the reads that make ASan check them.
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < img.stride * std::size_t(img.height); ++i)
        sink = img.pixels[i];
    (void)sink;
    return 0;
}
