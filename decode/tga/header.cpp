#include "tga/header.h"

#include <algorithm>
#include <cstring>

namespace tga {
namespace {

std::uint16_t u16(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t u32(const std::uint8_t* p) noexcept {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Only for a base type of 1, 2 or 3, already checked.
bool depth_fits(const Header& h) noexcept {
    const int b = h.pixel_bits;
    if (h.base_type() == 1) return b == 8;
    if (h.base_type() == 2) return b == 15 || b == 16 || b == 24 || b == 32;
    return b == 8 || b == 16;
}

bool map_entry_fits(const Header& h) noexcept {
    const int b = h.map_entry_bits;
    return b == 8 || b == 15 || b == 16 || b == 24 || b == 32;
}

// The extension area's size field and its attributes type, at 494, in TGA 2.0's layout.
constexpr std::size_t kExtensionSize = 495;
constexpr std::size_t kAttributesType = 494;
constexpr char kSignature[] = "TRUEVISION-XFILE.";

} // namespace

Header Header::parse(std::span<const std::uint8_t> file) noexcept {
    std::uint8_t b[kHeaderSize] = {};
    std::memcpy(b, file.data(), std::min(file.size(), kHeaderSize));
    Header h;
    h.id_length = b[0];
    h.map_type = b[1];
    h.image_type = b[2];
    h.map_first = u16(b + 3);
    h.map_length = u16(b + 5);
    h.map_entry_bits = b[7];
    h.width = u16(b + 12);
    h.height = u16(b + 14);
    h.pixel_bits = b[16];
    h.descriptor = b[17];
    return h;
}

Status check_kind(const Header& h) noexcept {
    if (h.image_type == 0) return Status::NoImageData;
    const int base = h.base_type();
    if (base < 1 || base > 3 || (h.image_type & ~0x0B) != 0) return Status::UnknownType;
    if (!depth_fits(h)) return Status::UnsupportedDepth;
    if (h.map_type == 1 && !map_entry_fits(h)) return Status::BadMapEntrySize;
    if (base == 1 && (h.map_type != 1 || h.map_length == 0)) return Status::NoColourMap;
    return Status::Ok;
}

bool plausible(const Header& h) noexcept {
    return h.map_type <= 1 && check_kind(h) == Status::Ok && h.width > 0 && h.height > 0 &&
           h.alpha_bits() <= 8;
}

bool has_footer(std::span<const std::uint8_t> file) noexcept {
    if (file.size() < kHeaderSize + kFooterSize) return false;
    return std::memcmp(file.data() + file.size() - 18, kSignature, sizeof kSignature) == 0;
}

std::optional<std::uint8_t> extension_alpha(std::span<const std::uint8_t> file) noexcept {
    if (!has_footer(file)) return std::nullopt;
    const std::size_t at = u32(file.data() + file.size() - kFooterSize);
    const std::size_t end = file.size() - kFooterSize;
    // An area the footer points to that the file does not hold whole is no area.
    if (at < kHeaderSize || at > end || end - at < kExtensionSize ||
        u16(file.data() + at) < kExtensionSize)
        return std::nullopt;
    return file[at + kAttributesType];
}

} // namespace tga
