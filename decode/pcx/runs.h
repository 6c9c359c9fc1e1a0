// How a file's run-length stream is cut: runs that go on past the end of a scan line decode
// the same here, but some readers cut them.
#pragma once

#include <cstdint>
#include <span>

#include "pcx/header.h"

namespace pcx {

// The runs of `file`'s stream that cross from one scan line (NPlanes * BytesPerLine bytes) to
// the next, up to the picture's last line or the end of the data.
[[nodiscard]] std::uint64_t runs_across_lines(std::span<const std::uint8_t> file) noexcept;

} // namespace pcx
