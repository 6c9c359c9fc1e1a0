#include "quantize/nearest.h"

#include <algorithm>

namespace glimmer {
namespace {

// Squared distances from v to the nearest and the farthest level of [lo, hi].
int nearSq(int v, int lo, int hi) {
    const int d = v < lo ? lo - v : v > hi ? v - hi : 0;
    return d * d;
}

int farSq(int v, int lo, int hi) {
    const int d = std::max(v - lo, hi - v);
    return d * d;
}

} // namespace

NearestColour::NearestColour(const QList<QRgb>& palette, int first) {
    for (int i = 0; i < static_cast<int>(palette.size()); ++i)
        m_entries.push_back({std::uint8_t(qRed(palette[i])), std::uint8_t(qGreen(palette[i])),
                             std::uint8_t(qBlue(palette[i])), std::uint8_t(i), 0});
    const int size = static_cast<int>(m_entries.size());
    first = std::min(first, size);
    // A quarter of the squared distance to the nearest other entry: within it nothing is nearer.
    m_sure.assign(m_entries.size(), -1);
    for (int i = first; i < size; ++i) {
        int nearest = INT_MAX;
        for (int j = first; j < size; ++j)
            if (j != i)
                nearest = std::min(nearest, distance(m_entries[j], m_entries[i].r, m_entries[i].g,
                                                     m_entries[i].b));
        m_sure[i] = nearest == INT_MAX ? INT_MAX : nearest / 4;
    }
    m_coarseSource.assign(m_entries.begin() + first, m_entries.end());
    m_coarseSource.push_back({0, 0, 0, 0, INT_MAX});
}

// Appends the entries of the list at `from` that can be nearest to a colour of the cube of
// `side` levels at `lo`, nearest bound first; returns where they start. `from` may lie in
// m_lists: it is read whole before m_lists grows.
int NearestColour::keep(const Candidate* from, const int lo[3], int side) {
    m_kept.clear();
    int farthest = INT_MAX;
    for (const Candidate* c = from; c->bound != INT_MAX; ++c) {
        const int v[3] = {c->r, c->g, c->b};
        int nearBound = 0, farBound = 0;
        for (int k = 0; k < 3; ++k) {
            nearBound += nearSq(v[k], lo[k], lo[k] + side - 1);
            farBound += farSq(v[k], lo[k], lo[k] + side - 1);
        }
        farthest = std::min(farthest, farBound);
        m_kept.push_back({c->r, c->g, c->b, c->index, nearBound});
    }
    std::erase_if(m_kept, [&](const Candidate& c) { return c.bound > farthest; });
    // Lists are short: insertion sort.
    for (std::size_t i = 1; i < m_kept.size(); ++i)
        for (std::size_t j = i; j > 0 && m_kept[j].bound < m_kept[j - 1].bound; --j)
            std::swap(m_kept[j], m_kept[j - 1]);
    const int start = static_cast<int>(m_lists.size());
    m_lists.insert(m_lists.end(), m_kept.begin(), m_kept.end());
    m_lists.push_back({0, 0, 0, 0, INT_MAX});
    return start;
}

int NearestColour::fillCoarse(int cell) {
    constexpr int kMask = (1 << kCoarseBits) - 1;
    const int lo[3] = {(cell >> (2 * kCoarseBits) & kMask) << kCoarseShift,
                       (cell >> kCoarseBits & kMask) << kCoarseShift,
                       (cell & kMask) << kCoarseShift};
    return keep(m_coarseSource.data(), lo, 1 << kCoarseShift);
}

// A fine cell's candidates are among its coarse cell's.
int NearestColour::fillFine(int cell) {
    constexpr int kMask = (1 << kFineBits) - 1;
    const int lo[3] = {(cell >> (2 * kFineBits) & kMask) << kFineShift,
                       (cell >> kFineBits & kMask) << kFineShift, (cell & kMask) << kFineShift};
    const int coarse = (lo[0] >> kCoarseShift) << (2 * kCoarseBits) |
                       (lo[1] >> kCoarseShift) << kCoarseBits | (lo[2] >> kCoarseShift);
    if (m_coarse[coarse] < 0) m_coarse[coarse] = fillCoarse(coarse);
    return keep(&m_lists[m_coarse[coarse]], lo, 1 << kFineShift);
}

} // namespace glimmer
