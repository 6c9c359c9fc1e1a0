#include "pixbuf/reply.h"

#include <cstring>

namespace glimmer::pixbuf {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'G', 'P', 'X', 'R'};
// Geometry is signed 16-bit: no picture is wider or taller.
constexpr int kMaxSide = 32767;
constexpr int kMaxErrno = 4095;

void put32(std::uint8_t* at, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32(const std::uint8_t* at) noexcept {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t{at[i]} << (8 * i);
    return v;
}

bool valid_header(const Reply& r) noexcept {
    const Header& h = r.header;
    const bool judged = r.kind == Reply::Kind::Judged && r.status == pcx::Status::Ok;
    if (!judged && r.kind != Reply::Kind::Ready)
        return h.kind == Header::Kind::Undecided && h.width == 0 && h.height == 0 && !h.alpha;
    if (h.kind != Header::Kind::Picture) return judged && h.width == 0 && h.height == 0 && !h.alpha;
    return h.width >= 1 && h.width <= kMaxSide && h.height >= 1 && h.height <= kMaxSide;
}

} // namespace

std::array<std::uint8_t, kReplyBytes> encode(const Reply& r) noexcept {
    std::array<std::uint8_t, kReplyBytes> b{};
    std::memcpy(b.data(), kMagic.data(), kMagic.size());
    b[4] = static_cast<std::uint8_t>(r.kind);
    b[5] = static_cast<std::uint8_t>(r.status);
    b[6] = static_cast<std::uint8_t>(r.header.kind);
    b[7] = static_cast<std::uint8_t>((r.header.alpha ? 1 : 0) | (r.ending ? 2 : 0));
    put32(&b[8], static_cast<std::uint32_t>(r.header.width));
    put32(&b[12], static_cast<std::uint32_t>(r.header.height));
    put32(&b[16], static_cast<std::uint32_t>(r.error));
    put32(&b[20], r.limit_mib);
    return b;
}

std::optional<Reply> parse_reply(std::span<const std::uint8_t> b) noexcept {
    if (b.size() != kReplyBytes || std::memcmp(b.data(), kMagic.data(), kMagic.size()) != 0)
        return std::nullopt;
    if (b[4] < 1 || b[4] > 5 || b[5] > static_cast<std::uint8_t>(pcx::Status::DcxPageOrder) ||
        b[6] > static_cast<std::uint8_t>(Header::Kind::Undecided) || b[7] > 3)
        return std::nullopt;
    Reply r;
    r.kind = static_cast<Reply::Kind>(b[4]);
    r.status = static_cast<pcx::Status>(b[5]);
    r.header.kind = static_cast<Header::Kind>(b[6]);
    r.header.alpha = (b[7] & 1) != 0;
    r.ending = (b[7] & 2) != 0;
    const std::uint32_t w = get32(&b[8]), h = get32(&b[12]), e = get32(&b[16]);
    if (w > kMaxSide || h > kMaxSide || e > kMaxErrno) return std::nullopt;
    r.header.width = static_cast<int>(w);
    r.header.height = static_cast<int>(h);
    r.error = static_cast<int>(e);
    r.limit_mib = get32(&b[20]);
    if (!valid_header(r)) return std::nullopt;
    // A status belongs to a judgement or a decode; an errno to a failed confinement alone.
    const bool has_status = r.kind == Reply::Kind::Judged || r.kind == Reply::Kind::Decoded;
    if (!has_status && r.status != pcx::Status::Ok) return std::nullopt;
    if ((r.kind == Reply::Kind::NotConfined) != (r.error != 0)) return std::nullopt;
    return r;
}

} // namespace glimmer::pixbuf
