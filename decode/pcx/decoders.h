// The decoders behind pcx::decode. The header has already been checked for kind.
#pragma once

#include "pcx/decode.h"

namespace pcx::detail {

void DecodePcx8(std::span<const std::uint8_t> file, const Options& options, Result& r);
void DecodePcx24(std::span<const std::uint8_t> file, const Options& options, Result& r);
// 1-, 2- and 4-bit pictures, packed or in planes.
void DecodeLowBits(std::span<const std::uint8_t> file, const Options& options, Result& r);
void DecodeRgba(std::span<const std::uint8_t> file, const Options& options, Result& r);

// malloc that reports failure instead of throwing; nullptr for a size of 0 or no memory.
[[nodiscard]] PixelBuffer allocate(std::size_t bytes) noexcept;

} // namespace pcx::detail
