#include "quantize/quantize.h"

#include <QHash>
#include <new>
#include <vector>

#include "quantize/box_palette.h"
#include "quantize/colour_counts.h"
#include "quantize/pixel_rows.h"
#include "quantize/remap.h"

namespace glimmer {
namespace {

// Chosen on real textures and screenshots of two games (docs/modding.md, "Colours"): the palette is
// split from the exact colours of a picture of up to 16384, else from at most 65536 cubes of
// near colours.
constexpr std::size_t kExact = 16384, kCubes = 65536;

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

// A palette made for the unmasked pixels (after the mask colour at index 0), every pixel mapped
// onto it.
QImage reduced(PixelRows& pixels, const Indexing& how) {
    const int colours = how.mask ? 255 : 256;
    const QList<QRgb> chosen = boxPalette(countColours(pixels, kExact, kCubes), colours);
    if (chosen.isEmpty()) return {};
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
