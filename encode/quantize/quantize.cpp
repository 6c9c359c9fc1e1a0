#include "quantize/quantize.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <libimagequant.h>
#include <memory>
#include <new>
#include <omp.h>
#include <vector>

#include "quantize/colour_counts.h"
#include "quantize/nearest.h"
#include "quantize/pixel_rows.h"
#include "quantize/remap.h"

namespace glimmer {
namespace {

// Chosen on real textures and screenshots (README "Colours"): libimagequant's speed 5 searches
// the palette in the exact colours of a picture of up to 16384, else in at most 65536 cubes of
// near colours; two of Lloyd's iterations then fit it to the colours as they are measured.
// Speed 10 is its fastest.
constexpr int kSpeed = 5;
constexpr int kFastSpeed = 10;
constexpr std::size_t kExact = 16384, kCubes = 65536;
constexpr int kRefinements = 2;
constexpr int kFirstColours = 1100;

QRgb opaque(QRgb c) {
    return c | 0xFF000000u;
}

QImage indexedLike(const PixelRows& pixels, const QList<QRgb>& table) {
    QImage out(pixels.width(), pixels.height(), QImage::Format_Indexed8);
    if (!out.isNull()) out.setColorTable(table);
    return out;
}

// The picture in exactly its own colours when it has at most `room` beside the mask; else null.
QImage exactly(PixelRows& pixels, const Indexing& how, int room) {
    QList<QRgb> table;
    if (how.mask) table.append(opaque(*how.mask));
    QHash<QRgb, int> index;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* in = pixels.row(y);
        for (int x = 0; x < pixels.width(); ++x) {
            if (pixels.masked(in[x])) continue;
            const QRgb c = opaque(in[x]);
            if (index.contains(c)) continue;
            if (index.size() == room) return {};
            index.insert(c, static_cast<int>(table.size()));
            table.append(c);
        }
    }
    QImage out = indexedLike(pixels, table);
    if (out.isNull()) return out;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* in = pixels.row(y);
        std::uint8_t* to = out.scanLine(y);
        for (int x = 0; x < pixels.width(); ++x)
            to[x] = pixels.masked(in[x]) ? 0 : std::uint8_t(index.value(opaque(in[x])));
    }
    return out;
}

struct LiqDeleter {
    void operator()(liq_attr* a) const { liq_attr_destroy(a); }
    void operator()(liq_histogram* h) const { liq_histogram_destroy(h); }
    void operator()(liq_result* r) const { liq_result_destroy(r); }
};

// libimagequant's palette for these colour counts: the search it does for pngquant, given the
// counts instead of the picture, so that it holds no copy of it.
QList<QRgb> paletteFor(const std::vector<ColourCount>& counts, int colours, bool fast) {
    // A batch converts a picture on each core: more threads would only wait on each other.
    omp_set_num_threads(1);
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), colours) != LIQ_OK) return {};
    liq_set_speed(attr.get(), fast ? kFastSpeed : kSpeed);
    std::unique_ptr<liq_histogram, LiqDeleter> histogram(liq_histogram_create(attr.get()));
    if (!histogram) return {};
    std::vector<liq_histogram_entry> entries;
    entries.reserve(counts.size());
    for (const ColourCount& c : counts)
        entries.push_back({{c.r, c.g, c.b, 255}, c.count});
    // libimagequant sizes its table by the square of the first call's count: a first call of
    // 1100 gets the largest table it makes in 2 MiB, where 16384 at once reserved 340 MiB.
    const int count = static_cast<int>(entries.size());
    const int first = std::min(count, kFirstColours);
    liq_result* raw = nullptr;
    if (liq_histogram_add_colors(histogram.get(), attr.get(), entries.data(), first, 0) != LIQ_OK ||
        (count > first &&
         liq_histogram_add_colors(histogram.get(), attr.get(), entries.data() + first,
                                  count - first, 0) != LIQ_OK) ||
        liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK)
        return {};
    std::unique_ptr<liq_result, LiqDeleter> result(raw);
    const liq_palette* palette = liq_get_palette(result.get());
    QList<QRgb> table;
    for (unsigned i = 0; i < palette->count; ++i)
        table.append(qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
    return table;
}

// Lloyd's iterations on the counts: each entry moved to the mean of the colours nearest to it.
void refine(QList<QRgb>& table, const std::vector<ColourCount>& counts, int iterations) {
    for (int it = 0; it < iterations; ++it) {
        NearestColour nearest(table, 0);
        std::vector<std::array<std::uint64_t, 4>> sums(table.size());
        int last = 0;
        for (const ColourCount& c : counts) {
            last = nearest.scattered(c.r, c.g, c.b, last);
            auto& s = sums[last];
            s[0] += std::uint64_t(c.r) * c.count;
            s[1] += std::uint64_t(c.g) * c.count;
            s[2] += std::uint64_t(c.b) * c.count;
            s[3] += c.count;
        }
        for (qsizetype i = 0; i < table.size(); ++i) {
            const auto& s = sums[i];
            if (s[3])
                table[i] = qRgb(int((s[0] + s[3] / 2) / s[3]), int((s[1] + s[3] / 2) / s[3]),
                                int((s[2] + s[3] / 2) / s[3]));
        }
    }
}

// A palette made for the unmasked pixels (after the mask colour at index 0), every pixel mapped
// onto it.
QImage reduced(PixelRows& pixels, const Indexing& how) {
    const int colours = how.mask ? 255 : 256;
    const std::vector<ColourCount> counts = countColours(pixels, kExact, kCubes);
    QList<QRgb> chosen = paletteFor(counts, colours, how.fast);
    if (chosen.isEmpty()) return {};
    refine(chosen, counts, kRefinements);
    QList<QRgb> table;
    if (how.mask) table.append(opaque(*how.mask));
    table.append(chosen);
    QImage out = indexedLike(pixels, table);
    if (!out.isNull()) remapOnto(pixels, table, how.mask ? 1 : 0, how.dither, out);
    return out;
}

QImage ontoPalette(PixelRows& pixels, const Indexing& how) {
    QList<QRgb> table = how.palette.mid(0, 256);
    for (QRgb& c : table)
        c = opaque(c);
    if (how.mask) table[0] = opaque(*how.mask);
    const int first = how.mask ? 1 : 0;
    if (table.size() <= first) return {};
    QImage out = indexedLike(pixels, table);
    if (!out.isNull()) remapOnto(pixels, table, first, how.dither, out);
    return out;
}

} // namespace

QImage toIndexed8(const QImage& picture, const Indexing& how) {
    try {
        const bool paletted = picture.format() == QImage::Format_Indexed8 ||
                              picture.format() == QImage::Format_Mono ||
                              picture.format() == QImage::Format_MonoLSB;
        if (paletted && !how.mask && how.palette.isEmpty()) {
            QImage out = picture.convertToFormat(QImage::Format_Indexed8);
            QList<QRgb> table = out.colorTable();
            for (QRgb& c : table)
                c = opaque(c);
            out.setColorTable(table);
            return out;
        }
        PixelRows pixels(picture, how.mask);
        if (!how.palette.isEmpty()) return ontoPalette(pixels, how);
        if (QImage exact = exactly(pixels, how, how.mask ? 255 : 256); !exact.isNull())
            return exact;
        return reduced(pixels, how);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace glimmer
