// Fuzz target for the decoder core, every kind and DCX pages. Besides crashes and sanitizer
// reports it checks that a decoded picture's buffer really holds what its shape says, by
// reading all of it, and that no input of fuzzing size gets past the data bound to a large
// allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "pcx/dcx.h"
#include "pcx/decode.h"
#include "pcx/runs.h"

namespace {

// fuzz/fuzz.sh passes at most 65536 bytes. Their 65408 data bytes decode to at most
// 2060353 (63 from every two bytes, one from the closing 0), and the largest picture that can
// fill takes 8 times that: 1-bit, one byte a pixel from each bit. A cap there refuses no
// picture the bound lets through, so a TooLarge from such an input is a finding; and at
// 16.5 MB it stays far below the 256 MB fuzz/fuzz.sh lets one allocation take.
constexpr std::size_t kMaxInput = 65536;
constexpr std::size_t kLargestClaim = 8 * 2060353;

void check(std::span<const std::uint8_t> file, bool whole_input) {
    (void)pcx::runs_across_lines(file);
    const pcx::Result r = pcx::decode(file, {pcx::Kinds::Every, kLargestClaim});
    if (r.status != pcx::Status::Ok) {
        if (r.image.pixels) std::abort(); // failures must not hand out pixels
        if (r.status == pcx::Status::TooLarge && whole_input) std::abort();
        return;
    }
    const pcx::Image& img = r.image;
    const auto w = std::size_t(img.width);
    const std::size_t row = img.format == pcx::PixelFormat::Mono1      ? (w + 7) / 8
                            : img.format == pcx::PixelFormat::Indexed8 ? w
                                                                       : 4 * w;
    if (img.width < 1 || img.height < 1 || img.stride < row) std::abort();
    if (img.colour_count < 1 || img.colour_count > 256) std::abort();
    // A volatile sink keeps the optimiser from dropping the reads that make ASan check them.
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < img.stride * std::size_t(img.height); ++i)
        sink = img.pixels[i];
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span file(data, size);
    if (!pcx::is_dcx(file)) {
        check(file, size <= kMaxInput);
        return 0;
    }
    const pcx::DcxPages dcx = pcx::dcx_pages(file);
    if (dcx.status != pcx::Status::Ok && !dcx.pages.empty()) std::abort();
    for (const auto page : dcx.pages) {
        if (page.data() < data || page.data() + page.size() > data + size) std::abort();
        check(page, size <= kMaxInput);
    }
    return 0;
}
