#include "tga/packets.h"

#include <algorithm>
#include <cstring>

namespace tga::detail {

bool Packets::next_packet() noexcept {
    State& s = m_state;
    if (s.pos >= m_data.size()) return false;
    const std::uint8_t head = m_data[s.pos++];
    s.left = (head & 0x7Fu) + 1;
    s.run = (head & 0x80u) != 0;
    if (!s.run) return true;
    if (m_data.size() - s.pos < m_bytes) return false;
    std::memcpy(s.pixel.data(), m_data.data() + s.pos, m_bytes);
    s.pos += m_bytes;
    return true;
}

bool Packets::read(std::uint8_t* out, std::size_t n) noexcept {
    State& s = m_state;
    while (n > 0) {
        if (s.left == 0 && !next_packet()) return false;
        const std::size_t take = std::min<std::size_t>(s.left, n);
        if (s.run) {
            for (std::size_t i = 0; out && i < take; ++i, out += m_bytes)
                std::memcpy(out, s.pixel.data(), m_bytes);
        } else {
            const std::size_t bytes = take * m_bytes;
            if (m_data.size() - s.pos < bytes) return false;
            if (out) {
                std::memcpy(out, m_data.data() + s.pos, bytes);
                out += bytes;
            }
            s.pos += bytes;
        }
        s.left -= static_cast<std::uint32_t>(take);
        n -= take;
    }
    return true;
}

} // namespace tga::detail
