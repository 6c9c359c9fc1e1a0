#include "pcx/runs.h"

namespace pcx {

std::uint64_t runs_across_lines(std::span<const std::uint8_t> file) noexcept {
    const PcxHeader h = PcxHeader::parse(file);
    Geometry g;
    if (file.size() <= kHeaderSize || compute_geometry(h, g) != Status::Ok || g.line <= 0 ||
        g.height <= 0)
        return 0;
    const auto line = static_cast<std::uint64_t>(g.line);
    const auto lines = static_cast<std::uint64_t>(g.height);
    std::uint64_t across = 0, done = 0, at = 0; // whole lines, bytes into the current one
    for (std::size_t pos = kHeaderSize; pos < file.size() && done < lines; ++pos) {
        std::uint64_t n = 1;
        if ((file[pos] & 0xC0) == 0xC0) {
            n = file[pos] & 0x3Fu;
            if (++pos == file.size()) break;
        }
        if (at + n > line) ++across;
        at += n;
        done += at / line;
        at %= line;
    }
    return across;
}

} // namespace pcx
