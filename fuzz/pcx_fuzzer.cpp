// Fuzz target for the decoder core. Besides crashes and sanitizer reports it checks that a
// decoded picture's buffer really holds what its shape says, by reading all of it, and that
// no input of fuzzing size gets past the data bound to a large allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "pcx/decode.h"

namespace {

// scripts/fuzz.sh passes at most 65536 bytes. Their 65408 data bytes decode to at most
// 2060353 (63 from every two bytes, one from the closing 0), and the largest picture that can
// fill takes 2877952 bytes: 24-bit, 22 x 32704 with BytesPerLine 21 (4 bytes a pixel from 3
// samples, one column beside the planes). A cap there refuses no picture the bound lets
// through, so a TooLarge from such an input is a finding.
constexpr std::size_t kMaxInput = 65536;
constexpr std::size_t kLargestClaim = 2877952;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pcx::Limits limits;
    limits.max_pixel_bytes = kLargestClaim;
    const pcx::Result r = pcx::decode(std::span(data, size), limits);
    if (r.status != pcx::Status::Ok) {
        if (r.image.pixels) std::abort(); // failures must not hand out pixels
        if (r.status == pcx::Status::TooLarge && size <= kMaxInput) std::abort();
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
