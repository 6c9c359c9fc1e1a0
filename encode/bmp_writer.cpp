#include "encode/bmp_writer.h"

#include <QtEndian>
#include <cstring>
#include <vector>

#include "decode/error.h"
#include "encode/rows.h"

namespace glimmer {
namespace {

constexpr qint64 kHeaders = 14 + 40;

// How a picture is laid out in the file: rows of Mono, Indexed8 or RGB32 pixels, packed.
struct Layout {
    QImage::Format rows;
    int bits;
    QList<QRgb> table;
    qint64 rowBytes;
    qint64 dataOffset;
    qint64 fileSize;
};

QImage::Format rowFormat(const QImage& image) {
    if (image.hasAlphaChannel()) return QImage::Format_RGB32;
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return QImage::Format_Mono;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        return QImage::Format_Indexed8;
    default:
        return QImage::Format_RGB32;
    }
}

QList<QRgb> tableOf(const QImage& image, QImage::Format rows) {
    if (rows == QImage::Format_RGB32) return {};
    if (image.format() != QImage::Format_Grayscale8) return image.colorTable();
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i)
        greys.append(qRgb(i, i, i));
    return greys;
}

Layout layoutOf(const QImage& image) {
    Layout l;
    l.rows = rowFormat(image);
    l.table = tableOf(image, l.rows);
    l.bits = l.rows == QImage::Format_Mono    ? 1
             : l.rows == QImage::Format_RGB32 ? 24
             : l.table.size() <= 16           ? 4
                                              : 8;
    l.rowBytes = (qint64(image.width()) * l.bits + 31) / 32 * 4;
    l.dataOffset = kHeaders + 4 * qint64(l.table.size());
    l.fileSize = l.dataOffset + l.rowBytes * image.height();
    return l;
}

template <typename T> void put(QByteArray& out, T value) {
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

QByteArray headers(const QImage& image, const Layout& l) {
    QByteArray out("BM");
    put(out, quint32(l.fileSize));
    put(out, quint32(0)); // reserved
    put(out, quint32(l.dataOffset));
    put(out, quint32(40));
    put(out, qint32(image.width()));
    put(out, qint32(image.height())); // bottom-up
    put(out, quint16(1));
    put(out, quint16(l.bits));
    put(out, quint32(0)); // not compressed
    put(out, quint32(l.rowBytes * image.height()));
    // 72 dpi where the picture says nothing, as Qt writes it.
    put(out, qint32(image.dotsPerMeterX() ? image.dotsPerMeterX() : 2834));
    put(out, qint32(image.dotsPerMeterY() ? image.dotsPerMeterY() : 2834));
    put(out, quint32(l.table.size()));
    put(out, quint32(l.table.size()));
    for (QRgb c : l.table)
        put(out, quint32(c & 0xFFFFFF)); // blue, green, red, 0
    return out;
}

// Packs a row of `width` pixels into `out`, whose padding stays zero.
void pack(const uchar* row, int width, int bits, char* out) {
    if (bits == 1) {
        std::memcpy(out, row, size_t(width + 7) / 8);
        if (width % 8) out[width / 8] = char(row[width / 8] & (0xFF00 >> (width % 8)));
    } else if (bits == 4) {
        for (int x = 0; x < width; ++x)
            out[x / 2] = char(x % 2 ? (out[x / 2] | (row[x] & 0x0F)) : row[x] << 4);
    } else if (bits == 8) {
        std::memcpy(out, row, size_t(width));
    } else {
        const auto* rgb = reinterpret_cast<const QRgb*>(row);
        for (int x = 0; x < width; ++x) {
            out[3 * x] = char(qBlue(rgb[x]));
            out[3 * x + 1] = char(qGreen(rgb[x]));
            out[3 * x + 2] = char(qRed(rgb[x]));
        }
    }
}

} // namespace

qint64 bmpSize(const QImage& image) {
    const qint64 size = layoutOf(image).fileSize;
    if (size > qint64(0xFFFFFFFF))
        throw Error(
            errc::Overflow,
            QStringLiteral("larger than a BMP file holds (%1 bytes of at most 4 GiB)").arg(size));
    return size;
}

void writeBmp(const QImage& image, ByteSink& sink) {
    const Layout l = layoutOf(image);
    const QByteArray start = headers(image, l);
    sink.write(start.constData(), start.size());
    try {
        std::vector<char> out(size_t(l.rowBytes), 0);
        QImage scratch;
        for (int y = image.height() - 1; y >= 0; --y) { // bottom-up
            pack(rowIn(image, y, l.rows, scratch), image.width(), l.bits, out.data());
            sink.write(out.data(), l.rowBytes);
        }
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

} // namespace glimmer
