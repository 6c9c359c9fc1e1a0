#include "quantize/box_palette.h"

#include <algorithm>
#include <array>

namespace glimmer {
namespace {

// The weight of some colours, their sums a channel and their summed squared levels.
struct Moments {
    double w = 0, s[3] = {0, 0, 0}, q = 0;

    void add(const Moments& m, double sign = 1) {
        w += sign * m.w;
        q += sign * m.q;
        for (int k = 0; k < 3; ++k)
            s[k] += sign * m.s[k];
    }
    // The squared error of the colours about their mean.
    double error() const { return w > 0 ? q - (s[0] * s[0] + s[1] * s[1] + s[2] * s[2]) / w : 0.0; }
};

struct Box {
    std::size_t begin, end;
    double gain = 0;         // what the best split lowers the error by; 0: none does
    int axis = 0, level = 0; // that split: colours of `axis` up to `level` go first
};

int channel(const ColourCount& c, int axis) {
    return axis == 0 ? c.r : axis == 1 ? c.g : c.b;
}

// The best split of counts [begin, end): the moments a level of each channel, then every cut.
Box planned(const std::vector<ColourCount>& counts, std::size_t begin, std::size_t end) {
    Box box{begin, end};
    std::array<std::array<Moments, 256>, 3> levels{};
    Moments all;
    for (std::size_t i = begin; i < end; ++i) {
        const ColourCount& c = counts[i];
        Moments m;
        m.w = c.count;
        m.s[0] = m.w * c.r, m.s[1] = m.w * c.g, m.s[2] = m.w * c.b;
        m.q = m.w * (double(c.r) * c.r + double(c.g) * c.g + double(c.b) * c.b);
        for (int k = 0; k < 3; ++k)
            levels[k][channel(c, k)].add(m);
        all.add(m);
    }
    const double whole = all.error();
    for (int k = 0; k < 3; ++k) {
        Moments first;
        for (int level = 0; level < 255; ++level) {
            first.add(levels[k][level]);
            if (first.w == 0 || first.w == all.w) continue;
            Moments second = all;
            second.add(first, -1);
            const double gain = whole - first.error() - second.error();
            if (gain > box.gain) box.gain = gain, box.axis = k, box.level = level;
        }
    }
    return box;
}

} // namespace

QList<QRgb> boxPalette(std::vector<ColourCount> counts, int colours) {
    std::vector<Box> boxes{planned(counts, 0, counts.size())};
    while (static_cast<int>(boxes.size()) < colours) {
        const auto best = std::max_element(
            boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.gain < b.gain; });
        if (best->gain <= 0) break;
        const Box box = *best;
        const auto middle = std::partition(
            counts.begin() + std::ptrdiff_t(box.begin), counts.begin() + std::ptrdiff_t(box.end),
            [&](const ColourCount& c) { return channel(c, box.axis) <= box.level; });
        const std::size_t split = static_cast<std::size_t>(middle - counts.begin());
        *best = planned(counts, box.begin, split);
        boxes.push_back(planned(counts, split, box.end));
    }
    QList<QRgb> palette;
    for (const Box& box : boxes) {
        double w = 0, s[3] = {0, 0, 0};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            const ColourCount& c = counts[i];
            w += c.count;
            s[0] += double(c.r) * c.count, s[1] += double(c.g) * c.count,
                s[2] += double(c.b) * c.count;
        }
        if (w > 0)
            palette.append(qRgb(int(s[0] / w + 0.5), int(s[1] / w + 0.5), int(s[2] / w + 0.5)));
    }
    return palette;
}

} // namespace glimmer
