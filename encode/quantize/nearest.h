// The nearest entry of a palette to a colour, exactly, in far fewer comparisons than entries.
#pragma once

#include <QList>
#include <QRgb>
#include <climits>
#include <cstdint>
#include <vector>

namespace glimmer {

class NearestColour {
  public:
    // Entries `first` and up of `palette` are chosen among.
    NearestColour(const QList<QRgb>& palette, int first);

    // `guess`, an entry likely to be nearest (the last answer), is taken without a search when
    // it is nearer than half the distance to its own nearest neighbour.
    int operator()(int r, int g, int b, int guess) {
        int best = guess;
        int bestDistance = distance(m_entries[guess], r, g, b);
        if (bestDistance <= m_sure[guess]) return guess;
        const int cell = (r >> kFineShift) << (2 * kFineBits) | (g >> kFineShift) << kFineBits |
                         (b >> kFineShift);
        if (m_fine[cell] < 0) m_fine[cell] = fillFine(cell);
        return search(&m_lists[m_fine[cell]], r, g, b, best, bestDistance);
    }

  private:
    // Cells of 8 levels a side, within cells of 32.
    static constexpr int kFineShift = 3, kCoarseShift = 5, kFineBits = 8 - kFineShift,
                         kCoarseBits = 8 - kCoarseShift;
    struct Candidate {
        std::uint8_t r, g, b, index;
        int bound; // no colour of the cell is nearer to the entry than this; INT_MAX ends a list
    };
    static int distance(const Candidate& c, int r, int g, int b) {
        const int dr = c.r - r, dg = c.g - g, db = c.b - b;
        return dr * dr + dg * dg + db * db;
    }
    int search(const Candidate* c, int r, int g, int b, int best, int bestDistance) const {
        for (; c->bound < bestDistance; ++c) {
            const int d = distance(*c, r, g, b);
            if (d < bestDistance) {
                bestDistance = d;
                best = c->index;
                if (d <= m_sure[best]) break;
            }
        }
        return best;
    }
    int fillFine(int cell);
    int fillCoarse(int cell);
    int keep(const Candidate* from, const int lo[3], int side);

    std::vector<Candidate> m_entries;      // by index
    std::vector<Candidate> m_coarseSource; // the entries chosen among, terminated
    std::vector<int> m_sure;
    std::vector<int> m_fine = std::vector<int>(1 << (3 * kFineBits), -1);
    std::vector<int> m_coarse = std::vector<int>(1 << (3 * kCoarseBits), -1);
    std::vector<Candidate> m_lists; // each cell's candidates, nearest bound first
    std::vector<Candidate> m_kept;  // room for fill
};

} // namespace glimmer
