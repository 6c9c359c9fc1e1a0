#include "quantize/colour_counts.h"

#include <algorithm>
#include <cstdint>

namespace glimmer {
namespace {

// Colours summed in cubes of 2^shift levels a side (shift 0: exact colours), in an
// open-addressed table keyed by cube.
class CubeCounts {
  public:
    struct Sums {
        std::uint64_t r = 0, g = 0, b = 0, count = 0;
    };

    explicit CubeCounts(int shift) : m_shift(shift) {}
    int shift() const { return m_shift; }
    std::size_t size() const { return m_used; }

    void add(std::uint32_t rgb) {
        const std::uint32_t key = keyOf(rgb);
        if (key != m_lastKey) {
            m_lastSlot = slotFor(key);
            m_lastKey = key;
        }
        Sums& s = m_sums[m_lastSlot];
        s.r += rgb >> 16 & 255;
        s.g += rgb >> 8 & 255;
        s.b += rgb & 255;
        ++s.count;
    }

    // The same sums in cubes twice as large a side: a cube lies within one cube of the next
    // size, so its sums move whole.
    CubeCounts wider() const {
        CubeCounts out(m_shift + 1);
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] == kEmpty) continue;
            Sums& s = out.m_sums[out.slotFor(m_keys[i] >> 1 & 0x7F7F7F)];
            s.r += m_sums[i].r;
            s.g += m_sums[i].g;
            s.b += m_sums[i].b;
            s.count += m_sums[i].count;
        }
        return out;
    }

    std::vector<ColourCount> list() const {
        std::vector<ColourCount> out;
        out.reserve(m_used);
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            const Sums& s = m_sums[i];
            if (m_keys[i] == kEmpty) continue;
            out.push_back(
                {mean(s.r, s.count), mean(s.g, s.count), mean(s.b, s.count),
                 static_cast<std::uint32_t>(std::min<std::uint64_t>(s.count, UINT32_MAX))});
        }
        return out;
    }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    static std::uint8_t mean(std::uint64_t sum, std::uint64_t count) {
        return static_cast<std::uint8_t>((sum + count / 2) / count);
    }
    std::uint32_t keyOf(std::uint32_t rgb) const {
        const std::uint32_t keep = (0xFFu >> m_shift) * 0x010101u;
        return rgb >> m_shift & keep;
    }
    std::size_t home(std::uint32_t key, std::size_t size) const {
        return (std::uint64_t(key) * 0x9E3779B97F4A7C15ull >> 40) & (size - 1);
    }
    std::size_t slotFor(std::uint32_t key) {
        if (2 * (m_used + 1) > m_keys.size()) grow();
        std::size_t slot = home(key, m_keys.size());
        while (m_keys[slot] != kEmpty && m_keys[slot] != key)
            slot = (slot + 1) & (m_keys.size() - 1);
        if (m_keys[slot] == kEmpty) {
            m_keys[slot] = key;
            ++m_used;
        }
        return slot;
    }
    void grow() {
        std::vector<std::uint32_t> keys(std::max<std::size_t>(1024, 2 * m_keys.size()), kEmpty);
        std::vector<Sums> sums(keys.size());
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] == kEmpty) continue;
            std::size_t slot = home(m_keys[i], keys.size());
            while (keys[slot] != kEmpty)
                slot = (slot + 1) & (keys.size() - 1);
            keys[slot] = m_keys[i];
            sums[slot] = m_sums[i];
        }
        m_keys.swap(keys);
        m_sums.swap(sums);
        m_lastKey = kEmpty;
    }

    int m_shift;
    std::size_t m_used = 0;
    std::vector<std::uint32_t> m_keys;
    std::vector<Sums> m_sums;
    std::uint32_t m_lastKey = kEmpty;
    std::size_t m_lastSlot = 0;
};

} // namespace

std::vector<ColourCount> countColours(PixelRows& pixels, std::size_t exact, std::size_t cubes) {
    CubeCounts counts(0);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* in = pixels.row(y);
        for (int x = 0; x < pixels.width(); ++x) {
            if (pixels.masked(in[x])) continue;
            counts.add(in[x] & 0xFFFFFF);
            // Past `exact` colours, cubes of 2 levels a side; larger ones if the table grows
            // far past `cubes`, which bounds what counting holds.
            if (counts.size() > (counts.shift() == 0 ? exact : 2 * cubes)) counts = counts.wider();
        }
    }
    while (counts.shift() > 0 && counts.size() > cubes)
        counts = counts.wider();
    return counts.list();
}

} // namespace glimmer
