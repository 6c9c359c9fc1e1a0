#include "pcx/dcx.h"

namespace pcx {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> f, std::size_t i) noexcept {
    return std::uint32_t{f[i]} | std::uint32_t{f[i + 1]} << 8 | std::uint32_t{f[i + 2]} << 16 |
           std::uint32_t{f[i + 3]} << 24;
}

Status read_table(std::span<const std::uint8_t> file, std::vector<std::uint32_t>& offsets) {
    for (std::size_t i = 0;; ++i) {
        const std::size_t at = 4 + 4 * i;
        if (at + 4 > file.size()) return Status::DcxTableCut;
        const std::uint32_t offset = le32(file, at);
        if (offset == 0) break;
        if (i == kMaxDcxPages) return Status::DcxTooManyPages;
        offsets.push_back(offset);
    }
    return offsets.empty() ? Status::DcxNoPages : Status::Ok;
}

} // namespace

bool is_dcx(std::span<const std::uint8_t> file) noexcept {
    return file.size() >= 4 && le32(file, 0) == kDcxMagic;
}

DcxPages dcx_pages(std::span<const std::uint8_t> file) {
    DcxPages r;
    std::vector<std::uint32_t> offsets;
    if ((r.status = read_table(file, offsets)) != Status::Ok) return r;
    // The table ends with its closing 0.
    const std::size_t table_end = 4 + 4 * (offsets.size() + 1);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i] >= file.size())
            r.status = Status::DcxPageOutside;
        else if (offsets[i] < table_end)
            r.status = Status::DcxPageInTable;
        else if (i > 0 && offsets[i] <= offsets[i - 1])
            r.status = Status::DcxPageOrder;
        if (r.status != Status::Ok) return r;
    }
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::size_t end = i + 1 < offsets.size() ? offsets[i + 1] : file.size();
        r.pages.push_back(file.subspan(offsets[i], end - offsets[i]));
    }
    return r;
}

} // namespace pcx
