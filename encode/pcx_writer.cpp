#include "encode/pcx_writer.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace glimmer {
namespace {

constexpr int kMaxRun = 63; // the count shares its byte with the two marker bits

void put16(char* at, int value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

int evenBytesPerLine(int width) {
    return width + (width & 1);
}

void appendHeader(QByteArray& out, const QImage& image, int planes) {
    char h[128] = {};
    h[0] = 10; // manufacturer
    h[1] = 5;  // version: 256-colour palette or true colour
    h[2] = 1;  // run-length encoded
    h[3] = 8;  // bits a pixel in each plane
    put16(h + 8, image.width() - 1);
    put16(h + 10, image.height() - 1);
    put16(h + 12, 72);
    put16(h + 14, 72);
    if (planes == 1) { // the first 16 colours too, for readers that look there
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < 16 && i < table.size(); ++i) {
            h[16 + 3 * i] = static_cast<char>(qRed(table[i]));
            h[17 + 3 * i] = static_cast<char>(qGreen(table[i]));
            h[18 + 3 * i] = static_cast<char>(qBlue(table[i]));
        }
    }
    h[65] = static_cast<char>(planes);
    put16(h + 66, evenBytesPerLine(image.width()));
    put16(h + 68, 1); // colour, not grey
    out.append(h, sizeof h);
}

// One plane of one scan line, padded to `bytesPerLine` with zeros; runs end with the line.
void appendLine(QByteArray& out, const std::uint8_t* line, int width, int bytesPerLine) {
    for (int x = 0; x < bytesPerLine;) {
        const std::uint8_t value = x < width ? line[x] : 0;
        int run = 1;
        while (run < kMaxRun && x + run < bytesPerLine &&
               (x + run < width ? line[x + run] : 0) == value)
            ++run;
        if (run > 1 || value >= 0xC0) out.append(static_cast<char>(0xC0 | run));
        out.append(static_cast<char>(value));
        x += run;
    }
}

bool fits(const QImage& image) {
    return !image.isNull() && image.width() <= kMaxPcxSide && image.height() <= kMaxPcxSide;
}

} // namespace

QByteArray encodePcx8(const QImage& indexed) {
    if (!fits(indexed) || indexed.format() != QImage::Format_Indexed8) return {};
    try {
        QByteArray out;
        const int bytesPerLine = evenBytesPerLine(indexed.width());
        out.reserve(128 + static_cast<qsizetype>(bytesPerLine) * indexed.height() * 5 / 4 + 769);
        appendHeader(out, indexed, 1);
        for (int y = 0; y < indexed.height(); ++y)
            appendLine(out, indexed.constScanLine(y), indexed.width(), bytesPerLine);
        out.append(char{12});
        const QList<QRgb> table = indexed.colorTable();
        char palette[768] = {};
        for (qsizetype i = 0; i < std::min<qsizetype>(256, table.size()); ++i) {
            palette[3 * i] = static_cast<char>(qRed(table[i]));
            palette[3 * i + 1] = static_cast<char>(qGreen(table[i]));
            palette[3 * i + 2] = static_cast<char>(qBlue(table[i]));
        }
        out.append(palette, sizeof palette);
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QByteArray encodePcx24(const QImage& picture) {
    if (!fits(picture)) return {};
    try {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull()) return {};
        const int width = rgb.width();
        const int bytesPerLine = evenBytesPerLine(width);
        QByteArray out;
        out.reserve(128 + static_cast<qsizetype>(bytesPerLine) * 3 * rgb.height() * 5 / 4);
        appendHeader(out, rgb, 3);
        QByteArray plane(width, Qt::Uninitialized);
        auto* p = reinterpret_cast<std::uint8_t*>(plane.data());
        for (int y = 0; y < rgb.height(); ++y) {
            const std::uint8_t* line = rgb.constScanLine(y);
            for (int c = 0; c < 3; ++c) {
                for (int x = 0; x < width; ++x)
                    p[x] = line[3 * x + c];
                appendLine(out, p, width, bytesPerLine);
            }
        }
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace glimmer
