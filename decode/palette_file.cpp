#include "decode/palette_file.h"

#include <algorithm>
#include <variant>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/gif_indexes.h"
#include "decode/pcx_pages.h"
#include "decode/picture_file.h"
#include "decode/picture_loader.h"
#include "tga/decode.h"

namespace glimmer {
namespace {

// Larger text is no palette of 256 colours, whatever its comments.
constexpr qint64 kMaxTextBytes = 1 << 20;

[[noreturn]] void invalid(const QString& why) {
    throw Error(errc::InvalidPicture, why);
}

QList<QByteArray> linesOf(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    return lines;
}

// "R G B" and whatever follows; false when the line does not start with three values 0-255.
bool colourOf(const QByteArray& line, QRgb& colour) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3) return false;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = fields[i].toInt(&ok);
        if (!ok || v[i] < 0 || v[i] > 255) return false;
    }
    colour = qRgb(v[0], v[1], v[2]);
    return true;
}

void append(QList<QRgb>& colours, QRgb c) {
    if (colours.size() == 256) invalid(QStringLiteral("more than 256 colours"));
    colours.append(c);
}

QList<QRgb> gimp(const QList<QByteArray>& lines) {
    QList<QRgb> colours;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("Name:") ||
            line.startsWith("Columns:"))
            continue;
        QRgb c = 0;
        if (!colourOf(line, c))
            invalid(QStringLiteral("line %1 of the GIMP palette is not a colour").arg(i + 1));
        append(colours, c);
    }
    return colours;
}

QList<QRgb> jasc(const QList<QByteArray>& lines) {
    bool ok = false;
    const int count = lines.size() > 2 ? lines[2].toInt(&ok) : 0;
    if (lines.size() < 3 || lines[1] != "0100" || !ok || count < 1 || count > 256)
        invalid(QStringLiteral("the JASC palette's header is not JASC-PAL, 0100 and a count "
                               "from 1 to 256"));
    QList<QRgb> colours;
    for (int i = 0; i < count; ++i) {
        QRgb c = 0;
        if (3 + i >= lines.size() || !colourOf(lines[3 + i], c))
            invalid(QStringLiteral("the JASC palette has fewer than the %1 colours it names")
                        .arg(count));
        colours.append(c);
    }
    return colours;
}

// The colours a page's rows would index, read without decoding the rows.
class ColoursOnly : public pcx::RowSink {
  public:
    bool start(const pcx::Image& shape) noexcept override {
        m_indexed =
            shape.format == pcx::PixelFormat::Indexed8 || shape.format == pcx::PixelFormat::Mono1;
        m_colours = QList<QRgb>(shape.colours.begin(), shape.colours.begin() + shape.colour_count);
        return false;
    }
    void row(int, const std::uint8_t*) noexcept override {}
    bool m_indexed = false;
    QList<QRgb> m_colours;
};

QList<QRgb> ofPcx(QByteArray bytes) {
    const PcxPages pages(std::move(bytes));
    if (pages.table() != pcx::Status::Ok || pages.count() == 0)
        invalid(QStringLiteral("the DCX file's table of pages is damaged"));
    ColoursOnly seen;
    if (pages.decodeRows(0, seen).status != pcx::Status::Ok)
        invalid(QStringLiteral("the PCX file does not decode"));
    if (!seen.m_indexed) invalid(QStringLiteral("a true-colour PCX file has no palette"));
    return seen.m_colours;
}

quint32 big32(const QByteArray& b, qsizetype at) {
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
           quint32(quint8(b[at + 2])) << 8 | quint8(b[at + 3]);
}

// A PNG file's PLTE chunk, read without inflating its pixels; nothing unless it is paletted.
QList<QRgb> ofPng(const QByteArray& bytes) {
    constexpr qsizetype kSignature = 8;
    constexpr quint32 kIhdrSize = 13; // width, height, depth, colour type (byte 9), 3 more
    bool paletted = false;
    for (qsizetype at = kSignature; at + 8 <= bytes.size();) {
        const quint32 size = big32(bytes, at);
        const QByteArray type = bytes.mid(at + 4, 4);
        const qsizetype data = at + 8;
        if (size > quint32(bytes.size() - data)) break;
        if (type == "IHDR" && size >= kIhdrSize) paletted = bytes[data + 9] == 3;
        if (type == "PLTE" && paletted && size % 3 == 0 && size > 0 && size <= 768) {
            QList<QRgb> colours;
            for (qsizetype i = data; i < data + qsizetype(size); i += 3)
                colours.append(qRgb(quint8(bytes[i]), quint8(bytes[i + 1]), quint8(bytes[i + 2])));
            return colours;
        }
        if (type == "IDAT" || type == "IEND") break;
        at = data + qsizetype(size) + 4;
    }
    invalid(paletted ? QStringLiteral("the PNG file's palette is damaged")
                     : QStringLiteral("the picture has no palette: it is not paletted"));
}

// A palette's colours, whatever alpha a picture gives its entries (a GIF's transparent one, a
// PNG's tRNS): palettes of PCX files have none.
QList<QRgb> opaque(QList<QRgb> colours) {
    for (QRgb& c : colours)
        c |= 0xFF000000u;
    return colours;
}

// A colour-mapped TGA file's colours, index by index, read without decoding a pixel.
QList<QRgb> ofTga(const QByteArray& bytes) {
    const tga::Result r = tga::shape(bytesOf(bytes));
    if (r.status != tga::Status::Ok) invalid(tgaError(r.status).text());
    if (r.header.base_type() != 1)
        invalid(QStringLiteral("the picture has no palette: it is not colour-mapped"));
    const int reached = std::min(256, r.header.map_first + r.header.map_length);
    return opaque(QList<QRgb>(r.image.colours.begin(), r.image.colours.begin() + reached));
}

QList<QRgb> ofPicture(QByteArray bytes) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return ofPng(bytes);
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) {
        const QList<QRgb> table = gifPalette(bytes);
        if (table.isEmpty()) invalid(QStringLiteral("the GIF file has no palette or is damaged"));
        return opaque(table);
    }
    QString why;
    const QImage image = readPictureBytes(std::move(bytes), {}, why);
    if (image.isNull())
        invalid(QStringLiteral("not a palette: a PCX, PNG, GIF or colour-mapped TGA picture, a "
                               "GIMP palette (.gpl) or a JASC palette (.pal)"));
    if (image.colorCount() == 0)
        invalid(QStringLiteral("the picture has no palette: it is in true colour"));
    return opaque(image.colorTable());
}

} // namespace

QList<QRgb> parsePaletteText(const QByteArray& text) {
    const QList<QByteArray> lines = linesOf(text);
    QList<QRgb> colours;
    if (lines.value(0) == "GIMP Palette")
        colours = gimp(lines);
    else if (lines.value(0) == "JASC-PAL")
        colours = jasc(lines);
    else
        invalid(QStringLiteral("neither a GIMP nor a JASC palette"));
    if (colours.isEmpty()) invalid(QStringLiteral("the palette holds no colour"));
    return colours;
}

QList<QRgb> readPaletteFile(const QString& path) {
    return paletteOf(readWholeFile(path), path);
}

QList<QRgb> paletteOf(QByteArray bytes, const QString& name) {
    if (bytes.startsWith("GIMP Palette") || bytes.startsWith("JASC-PAL")) {
        if (bytes.size() > kMaxTextBytes) invalid(QStringLiteral("too large for a palette"));
        return parsePaletteText(bytes);
    }
    switch (pictureKind(bytes.left(qsizetype(pcx::kHeaderSize)), name)) {
    case PictureKind::Pcx:
        return ofPcx(std::move(bytes));
    case PictureKind::Tga:
        return ofTga(bytes);
    case PictureKind::Other:
        break;
    }
    return ofPicture(std::move(bytes));
}

QByteArray gimpPalette(const QList<QRgb>& colours, const QString& name) {
    QByteArray out = "GIMP Palette\nName: " + name.toUtf8() + "\nColumns: 16\n#\n";
    for (qsizetype i = 0; i < colours.size(); ++i)
        out += QStringLiteral("%1 %2 %3\tIndex %4\n")
                   .arg(qRed(colours[i]), 3)
                   .arg(qGreen(colours[i]), 3)
                   .arg(qBlue(colours[i]), 3)
                   .arg(i)
                   .toUtf8();
    return out;
}

QByteArray jascPalette(const QList<QRgb>& colours) {
    QByteArray out = "JASC-PAL\r\n0100\r\n" + QByteArray::number(colours.size()) + "\r\n";
    for (const QRgb c : colours)
        out += QByteArray::number(qRed(c)) + ' ' + QByteArray::number(qGreen(c)) + ' ' +
               QByteArray::number(qBlue(c)) + "\r\n";
    return out;
}

} // namespace glimmer
