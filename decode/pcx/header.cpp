#include "pcx/header.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

namespace pcx {
namespace {

std::optional<std::int16_t> fit16(int v) noexcept {
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(v);
}

std::uint8_t byte_at(std::span<const std::uint8_t> f, std::size_t i) noexcept {
    return i < f.size() ? f[i] : 0;
}

std::int16_t le16(std::span<const std::uint8_t> f, std::size_t i) noexcept {
    auto v = static_cast<std::uint16_t>(byte_at(f, i) | (byte_at(f, i + 1) << 8));
    return static_cast<std::int16_t>(v);
}

} // namespace

std::optional<std::int16_t> add16(int a, int b) noexcept {
    return fit16(a + b);
}
std::optional<std::int16_t> sub16(int a, int b) noexcept {
    return fit16(a - b);
}
std::optional<std::int16_t> mul16(int a, int b) noexcept {
    return fit16(a * b);
}

PcxHeader PcxHeader::parse(std::span<const std::uint8_t> file) noexcept {
    PcxHeader h;
    h.manufacturer = byte_at(file, 0);
    h.version = byte_at(file, 1);
    h.encoding = byte_at(file, 2);
    h.bits_per_pixel = byte_at(file, 3);
    h.xmin = le16(file, 4);
    h.ymin = le16(file, 6);
    h.xmax = le16(file, 8);
    h.ymax = le16(file, 10);
    h.hdpi = le16(file, 12);
    h.vdpi = le16(file, 14);
    for (std::size_t i = 0; i < h.palette.size(); ++i)
        h.palette[i] = byte_at(file, 16 + i);
    h.nplanes = byte_at(file, 65);
    h.bytes_per_line = le16(file, 66);
    return h;
}

Status compute_geometry(const PcxHeader& h, Geometry& out) noexcept {
    // Each step is checked on its own, as the difference alone can overflow (32767 - -1).
    auto wd = sub16(h.xmax, h.xmin);
    auto w = wd ? add16(*wd, 1) : std::nullopt;
    if (!w) return Status::WidthOverflow;
    auto hd = sub16(h.ymax, h.ymin);
    auto ht = hd ? add16(*hd, 1) : std::nullopt;
    if (!ht) return Status::HeightOverflow;
    auto line = mul16(h.nplanes, h.bytes_per_line);
    if (!line) return Status::LineOverflow;
    out = Geometry{*w, *ht, *line};
    return Status::Ok;
}

Kind kind_of(const PcxHeader& h) noexcept {
    switch (h.bits_per_pixel << 8 | h.nplanes) {
    case 0x0801:
        return Kind::Paletted8;
    case 0x0803:
        return Kind::Rgb24;
    case 0x0804:
        return Kind::Rgba32;
    case 0x0101:
        return Kind::Packed1;
    case 0x0201:
        return Kind::Packed2;
    case 0x0401:
        return Kind::Packed4;
    case 0x0102:
        return Kind::Planar2;
    case 0x0103:
        return Kind::Planar3;
    case 0x0104:
        return Kind::Planar4;
    default:
        return Kind::Unknown;
    }
}

bool plausible(const PcxHeader& h) noexcept {
    const auto one_of = [](int v, std::initializer_list<int> set) {
        return std::find(set.begin(), set.end(), v) != set.end();
    };
    return h.manufacturer == 10 && one_of(h.version, {0, 2, 3, 4, 5}) && h.encoding <= 1 &&
           one_of(h.bits_per_pixel, {1, 2, 4, 8, 16, 24, 32}) && h.nplanes >= 1 && h.nplanes <= 4;
}

Status check_kind(const PcxHeader& h, Kinds kinds) noexcept {
    if (kinds == Kinds::Every)
        return kind_of(h) == Kind::Unknown ? Status::UnknownKind : Status::Ok;
    if (h.bits_per_pixel != 8) return Status::NotEightBit;
    if (h.nplanes != 1 && h.nplanes != 3) return Status::UnsupportedPlanes;
    return Status::Ok;
}

} // namespace pcx
