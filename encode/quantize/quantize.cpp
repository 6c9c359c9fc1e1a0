#include "quantize/quantize.h"

#include <QHash>
#include <algorithm>
#include <libimagequant.h>
#include <memory>
#include <new>
#include <vector>

#include "quantize/remap.h"

namespace glimmer {
namespace {

// Speed 4, pngquant's own, chooses the palette; speed 10 is the fastest (README "Colours").
constexpr int kSpeed = 4;
constexpr int kFastSpeed = 10;

QRgb opaque(QRgb c) {
    return c | 0xFF000000u;
}

// Which pixels index 0 takes: those of exactly the mask colour, and those of alpha below half.
std::vector<bool> maskedPixels(const QImage& argb, const std::optional<QRgb>& mask) {
    if (!mask) return {};
    std::vector<bool> masked(std::size_t(argb.width()) * argb.height());
    std::size_t p = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, ++p)
            masked[p] = qAlpha(in[x]) < 128 || opaque(in[x]) == opaque(*mask);
    }
    return masked;
}

QImage indexedLike(const QImage& argb, const QList<QRgb>& table) {
    QImage out(argb.size(), QImage::Format_Indexed8);
    if (!out.isNull()) out.setColorTable(table);
    return out;
}

// The picture in exactly its own colours when it has at most `room` beside the mask; else null.
QImage exactly(const QImage& argb, const std::vector<bool>& masked, const Indexing& how, int room) {
    QList<QRgb> table;
    if (how.mask) table.append(opaque(*how.mask));
    QHash<QRgb, int> index;
    std::size_t p = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, ++p) {
            if (!masked.empty() && masked[p]) continue;
            const QRgb c = opaque(in[x]);
            if (index.contains(c)) continue;
            if (index.size() == room) return {};
            index.insert(c, static_cast<int>(table.size()));
            table.append(c);
        }
    }
    QImage out = indexedLike(argb, table);
    if (out.isNull()) return out;
    p = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* to = out.scanLine(y);
        for (int x = 0; x < argb.width(); ++x, ++p)
            to[x] = !masked.empty() && masked[p] ? 0 : std::uint8_t(index.value(opaque(in[x])));
    }
    return out;
}

struct LiqDeleter {
    void operator()(liq_attr* a) const { liq_attr_destroy(a); }
    void operator()(liq_image* i) const { liq_image_destroy(i); }
    void operator()(liq_result* r) const { liq_result_destroy(r); }
};

using LiqAttr = std::unique_ptr<liq_attr, LiqDeleter>;
using LiqImage = std::unique_ptr<liq_image, LiqDeleter>;
using LiqResult = std::unique_ptr<liq_result, LiqDeleter>;

LiqResult quantized(liq_attr* attr, liq_image* image) {
    liq_result* raw = nullptr;
    if (!image || liq_image_quantize(image, attr, &raw) != LIQ_OK) return {};
    return LiqResult(raw);
}

// At speeds below 8 libimagequant's remap spares edges and noise from dithering, which after a
// blur loses to ImageMagick on noisy real textures. So the palette it chose is remapped at the
// fastest speed, where every pixel is dithered, by giving it whole as fixed colours.
LiqResult ditheringEveryPixel(const liq_palette& palette, void** rows, int width, int height,
                              LiqImage& image) {
    LiqAttr attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), static_cast<int>(palette.count)) != LIQ_OK)
        return {};
    liq_set_speed(attr.get(), kFastSpeed);
    image.reset(liq_image_create_rgba_rows(attr.get(), rows, width, height, 0));
    if (!image) return {};
    for (unsigned i = 0; i < palette.count; ++i)
        if (liq_image_add_fixed_color(image.get(), palette.entries[i]) != LIQ_OK) return {};
    return quantized(attr.get(), image.get());
}

// `colours` colours chosen by libimagequant for the unmasked pixels, which it sees opaque; the
// masked ones it sees fully transparent, so they take an entry of their own that is dropped.
QList<QRgb> chosenColours(const QImage& argb, const std::vector<bool>& masked, int colours,
                          const Indexing& how, QImage& indexes) {
    QImage rgba = argb.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) return {};
    std::size_t p = 0;
    std::vector<unsigned char*> rows(static_cast<std::size_t>(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y) {
        std::uint8_t* px = rgba.scanLine(y);
        rows[static_cast<std::size_t>(y)] = px;
        for (int x = 0; x < rgba.width(); ++x, ++p, px += 4)
            px[3] = !masked.empty() && masked[p] ? 0 : 255;
    }
    LiqAttr attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), colours + (masked.empty() ? 0 : 1)) != LIQ_OK)
        return {};
    liq_set_speed(attr.get(), how.fast ? kFastSpeed : kSpeed);
    void** pixels = reinterpret_cast<void**>(rows.data());
    LiqImage image(liq_image_create_rgba_rows(attr.get(), pixels, rgba.width(), rgba.height(), 0));
    LiqResult result = quantized(attr.get(), image.get());
    if (result && !how.fast && how.dither)
        result = ditheringEveryPixel(*liq_get_palette(result.get()), pixels, rgba.width(),
                                     rgba.height(), image);
    if (!result) return {};
    liq_set_dithering_level(result.get(), how.dither ? 1.0f : 0.0f);
    indexes = QImage(argb.size(), QImage::Format_Indexed8);
    if (indexes.isNull()) return {};
    std::vector<unsigned char*> out(static_cast<std::size_t>(indexes.height()));
    for (int y = 0; y < indexes.height(); ++y)
        out[static_cast<std::size_t>(y)] = indexes.scanLine(y);
    if (liq_write_remapped_image_rows(result.get(), image.get(), out.data()) != LIQ_OK) return {};
    const liq_palette* pal = liq_get_palette(result.get());
    QList<QRgb> table;
    for (unsigned i = 0; i < pal->count; ++i)
        table.append(
            qRgba(pal->entries[i].r, pal->entries[i].g, pal->entries[i].b, pal->entries[i].a));
    return table;
}

// Moves libimagequant's result behind the mask colour at index 0: its transparent entries
// go, and an unmasked pixel that took one (or an entry beyond 255) takes the nearest kept one.
QImage behindMask(const QImage& argb, const std::vector<bool>& masked, QRgb mask,
                  const QList<QRgb>& chosen, QImage indexes) {
    QList<QRgb> table{opaque(mask)};
    std::vector<int> to(static_cast<std::size_t>(chosen.size()), -1);
    for (qsizetype i = 0; i < chosen.size(); ++i) {
        if (qAlpha(chosen[i]) < 128 || table.size() == 256) continue;
        to[static_cast<std::size_t>(i)] = static_cast<int>(table.size());
        table.append(opaque(chosen[i]));
    }
    if (table.size() < 2) return {};
    std::vector<bool> settled(masked.size());
    bool anyStray = false;
    std::size_t p = 0;
    for (int y = 0; y < argb.height(); ++y) {
        std::uint8_t* px = indexes.scanLine(y);
        for (int x = 0; x < argb.width(); ++x, ++p) {
            const int mapped = to[px[x]];
            settled[p] = masked[p] || mapped >= 0;
            anyStray = anyStray || !settled[p];
            px[x] = masked[p] ? 0 : std::uint8_t(std::max(mapped, 0));
        }
    }
    if (anyStray) {
        QImage strays(argb.size(), QImage::Format_Indexed8);
        if (strays.isNull()) return {};
        remapOnto(argb, table, 1, settled, false, strays);
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x)
                if (!settled[std::size_t(y) * argb.width() + x])
                    indexes.scanLine(y)[x] = strays.constScanLine(y)[x];
    }
    indexes.setColorTable(table);
    return indexes;
}

QImage reduced(const QImage& argb, const std::vector<bool>& masked, const Indexing& how) {
    QImage indexes;
    const QList<QRgb> chosen = chosenColours(argb, masked, how.mask ? 255 : 256, how, indexes);
    if (chosen.isEmpty()) return {};
    if (how.mask) return behindMask(argb, masked, *how.mask, chosen, std::move(indexes));
    QList<QRgb> table;
    for (const QRgb c : chosen)
        table.append(opaque(c));
    indexes.setColorTable(table);
    return indexes;
}

QImage ontoPalette(const QImage& argb, const std::vector<bool>& masked, const Indexing& how) {
    QList<QRgb> table = how.palette.mid(0, 256);
    for (QRgb& c : table)
        c = opaque(c);
    if (how.mask) table[0] = opaque(*how.mask);
    const int first = how.mask ? 1 : 0;
    if (table.size() <= first) return {};
    QImage out = indexedLike(argb, table);
    if (!out.isNull()) remapOnto(argb, table, first, masked, how.dither, out);
    return out;
}

// The picture as ARGB32. Opaque 32-bit pixels (0xFFRRGGBB) already are: they are read where
// they lie instead of copied, so a large picture is not held twice.
QImage argbOf(const QImage& picture) {
    if (picture.format() != QImage::Format_RGB32)
        return picture.convertToFormat(QImage::Format_ARGB32);
    return QImage(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(),
                  QImage::Format_ARGB32);
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
        const QImage argb = argbOf(picture);
        if (argb.isNull()) return {};
        const std::vector<bool> masked = maskedPixels(argb, how.mask);
        if (!how.palette.isEmpty()) return ontoPalette(argb, masked, how);
        if (QImage exact = exactly(argb, masked, how, how.mask ? 255 : 256); !exact.isNull())
            return exact;
        return reduced(argb, masked, how);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace glimmer
