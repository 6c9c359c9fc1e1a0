// The decoders behind pcx::decode. The header has already been checked for kind.
#pragma once

#include "pcx/target.h"

namespace pcx::detail {

void DecodePcx8(std::span<const std::uint8_t> file, const Options& options, Target& to, Result& r);
void DecodePcx24(std::span<const std::uint8_t> file, const Options& options, Target& to, Result& r);
// 1-, 2- and 4-bit pictures, packed or in planes.
void DecodeLowBits(std::span<const std::uint8_t> file, const Options& options, Target& to,
                   Result& r);
void DecodeRgba(std::span<const std::uint8_t> file, const Options& options, Target& to, Result& r);

} // namespace pcx::detail
