// The colours of pictures of 16 colours or fewer, from the 16-entry palette in the header.
#pragma once

#include "pcx/decode.h"

namespace pcx::detail {

// The colours of `kind`, a 1-, 2- or 4-bit kind, into img.colours and img.colour_count:
// - 1 bit, 1 plane: the header's first two colours when they differ, else black and white;
// - no palette (a Version 3 file, or a header palette all 0): the standard palette, which
//   for 2 bits is the CGA's bright cyan, magenta and white over black;
// - otherwise the header's first 2^(bits x planes) colours.
void header_colours(const PcxHeader& h, Kind kind, Image& img) noexcept;

} // namespace pcx::detail
