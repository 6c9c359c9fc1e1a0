// DCX files: a table of up to 1023 page offsets after the magic number, each page a PCX file.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pcx/status.h"

namespace pcx {

inline constexpr std::uint32_t kDcxMagic = 987654321;
inline constexpr std::size_t kMaxDcxPages = 1023;

[[nodiscard]] bool is_dcx(std::span<const std::uint8_t> file) noexcept;

struct DcxPages {
    Status status = Status::Ok;
    std::vector<std::span<const std::uint8_t>> pages; // empty unless status is Ok
};

// The pages of a DCX file, each from its offset to the next page's, the last to the end of
// the file. A table the file cannot hold, an empty one, and offsets outside the file, inside
// the table or not in file order are refused.
[[nodiscard]] DcxPages dcx_pages(std::span<const std::uint8_t> file);

} // namespace pcx
