#include "encode/pcx_writer.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "decode/error.h"
#include "encode/rows.h"

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

template <class Out> void header(Out& out, const QImage& image, int planes) {
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
    out.write(h, sizeof h);
}

// Run-length encodes one plane of a scan line at a time; runs end with the line.
class LineEncoder {
  public:
    LineEncoder(int width, int bytesPerLine)
        : m_width(width), m_bytesPerLine(bytesPerLine),
          m_coded(2 * static_cast<std::size_t>(bytesPerLine)) {}

    // One plane of `width` bytes, padded to bytesPerLine with zeros.
    template <class Out> void append(Out& out, const std::uint8_t* line) {
        char* to = m_coded.data();
        for (int x = 0; x < m_bytesPerLine;) {
            const std::uint8_t value = x < m_width ? line[x] : 0;
            int run = 1;
            while (run < kMaxRun && x + run < m_bytesPerLine &&
                   (x + run < m_width ? line[x + run] : 0) == value)
                ++run;
            if (run > 1 || value >= 0xC0) *to++ = static_cast<char>(0xC0 | run);
            *to++ = static_cast<char>(value);
            x += run;
        }
        out.write(m_coded.data(), to - m_coded.data());
    }

  private:
    int m_width;
    int m_bytesPerLine;
    std::vector<char> m_coded; // at worst two bytes a byte
};

template <class Out> void palette(Out& out, const QList<QRgb>& table) {
    char bytes[769] = {12};
    for (qsizetype i = 0; i < std::min<qsizetype>(256, table.size()); ++i) {
        bytes[1 + 3 * i] = static_cast<char>(qRed(table[i]));
        bytes[2 + 3 * i] = static_cast<char>(qGreen(table[i]));
        bytes[3 + 3 * i] = static_cast<char>(qBlue(table[i]));
    }
    out.write(bytes, sizeof bytes);
}

// Row `y` of `picture` as 0xAARRGGBB words, not premultiplied: read where the picture holds
// them, else converted one row at a time.
const QRgb* argbRow(const QImage& picture, int y, QImage& scratch) {
    // Opaque 32-bit pixels already are such words.
    const QImage::Format f =
        picture.format() == QImage::Format_RGB32 ? QImage::Format_RGB32 : QImage::Format_ARGB32;
    return reinterpret_cast<const QRgb*>(rowIn(picture, y, f, scratch));
}

// Counts what the encoder makes, for the size pass.
struct Count {
    qint64 bytes = 0;
    void write(const char*, qint64 size) { bytes += size; }
};

class ToArray final : public ByteSink {
  public:
    explicit ToArray(QByteArray& out) : m_out(out) {}
    void write(const char* bytes, qint64 size) override { m_out.append(bytes, size); }

  private:
    QByteArray& m_out;
};

QByteArray whole(const QImage& picture, bool truecolor) {
    const PcxFile file(picture, truecolor);
    try {
        QByteArray out;
        out.reserve(file.size());
        ToArray sink(out);
        file.write(sink);
        return out;
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

} // namespace

void checkPcxFits(QSize size, bool truecolor) {
    if (size.isEmpty()) throw Error(errc::InvalidPicture, QStringLiteral("an empty picture"));
    if (size.width() > kMaxPcx8Width)
        throw Error(errc::Overflow,
                    QStringLiteral("wider than a PCX file holds (%1 pixels)").arg(kMaxPcx8Width));
    if (truecolor && size.width() > kMaxPcx24Width)
        throw Error(errc::Overflow, QStringLiteral("wider than a true-colour PCX file holds (%1 "
                                                   "pixels; an 8-bit one holds %2)")
                                        .arg(kMaxPcx24Width)
                                        .arg(kMaxPcx8Width));
    if (size.height() > kMaxPcxHeight)
        throw Error(errc::Overflow,
                    QStringLiteral("taller than a PCX file holds (%1 pixels)").arg(kMaxPcxHeight));
}

PcxFile::PcxFile(const QImage& picture, bool truecolor)
    : m_picture(picture), m_truecolor(truecolor) {
    checkPcxFits(picture.size(), truecolor);
    if (!truecolor && picture.format() != QImage::Format_Mono &&
        picture.format() != QImage::Format_Indexed8)
        throw Error(errc::InvalidPicture);
}

template <class Out> void PcxFile::encode(Out& out) const {
    const QImage& image = m_picture;
    const int width = image.width();
    header(out, image, m_truecolor ? 3 : 1);
    LineEncoder lines(width, evenBytesPerLine(width));
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width));
    if (m_truecolor) {
        QImage scratch;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* row = argbRow(image, y, scratch);
            for (int shift : {16, 8, 0}) { // red, green, blue
                for (int x = 0; x < width; ++x)
                    plane[std::size_t(x)] = static_cast<std::uint8_t>(row[x] >> shift);
                lines.append(out, plane.data());
            }
        }
        return;
    }
    // Two-colour rows become indexes a row at a time, never a byte-a-pixel copy of all.
    const bool bits = image.format() == QImage::Format_Mono;
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* line = image.constScanLine(y);
        if (!bits) {
            lines.append(out, line);
            continue;
        }
        for (std::size_t x = 0; x < plane.size(); ++x)
            plane[x] = (line[x >> 3] >> (7 - (x & 7))) & 1;
        lines.append(out, plane.data());
    }
    palette(out, image.colorTable());
}

qint64 PcxFile::size() const {
    try {
        Count count;
        encode(count);
        return count.bytes;
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

void PcxFile::write(ByteSink& sink) const {
    try {
        encode(sink);
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

QByteArray encodePcx8(const QImage& indexed) {
    return whole(indexed, false);
}

QByteArray encodePcx24(const QImage& picture) {
    return whole(picture, true);
}

} // namespace glimmer
