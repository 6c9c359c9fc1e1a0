// Fuzz target for the PCX writer: a picture made from the input (Indexed8 with its own table,
// RGB32, ARGB32 or Mono; a few hundred pixels a side, or one pixel either side of a header's
// limits) is written 8-bit or true-colour as glimmer-pcx writes it, and must decode to the same
// pixels: the same indexes and palette, or the same colours with alpha dropped. A picture the
// header cannot hold must be refused with error 6.
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "decode/error.h"
#include "encode/pcx_writer.h"
#include "pcx/decode.h"
#include "pcx/runs.h"
#include "quantize/quantize.h"

namespace {

// The input read from the front; the pixels take what is left, over and over.
class Input {
  public:
    explicit Input(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint8_t next() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    int upTo(int most) {
        const int high = next();
        return 1 + (high << 8 | next()) % most;
    }
    QRgb colour() {
        QRgb c = 0;
        for (int i = 0; i < 4; ++i)
            c = c << 8 | next();
        return c;
    }
    std::uint8_t pixelByte(std::size_t i) const {
        const std::size_t rest = m_bytes.size() - m_at;
        return rest == 0 ? 0 : m_bytes[m_at + i % rest];
    }

  private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

QImage picture(Input& in, QImage::Format format, QSize size) {
    QImage image(size, format);
    if (image.isNull()) return image;
    QList<QRgb> table;
    const int colours = format == QImage::Format_Indexed8 ? 1 + in.next() : 2;
    for (int i = 0;
         format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 && i < colours; ++i)
        table.append(in.colour());
    if (!table.isEmpty()) image.setColorTable(table);
    std::size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* line = image.scanLine(y);
        if (format == QImage::Format_Mono)
            for (qsizetype x = 0; x < image.bytesPerLine(); ++x)
                line[x] = in.pixelByte(i++);
        else if (format == QImage::Format_Indexed8)
            for (int x = 0; x < image.width(); ++x)
                line[x] = std::uint8_t(in.pixelByte(i++) % colours);
        else
            for (int x = 0; x < image.width(); ++x, i += 4)
                reinterpret_cast<QRgb*>(line)[x] =
                    qRgba(in.pixelByte(i), in.pixelByte(i + 1), in.pixelByte(i + 2),
                          format == QImage::Format_RGB32 ? 255 : in.pixelByte(i + 3));
    }
    return image;
}

void expectIndexes(const pcx::Image& got, const QImage& want) {
    if (got.format != pcx::PixelFormat::Indexed8) std::abort();
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (got.pixels[got.stride * std::size_t(y) + std::size_t(x)] !=
                want.constScanLine(y)[x])
                std::abort();
    for (int i = 0; i < 256; ++i)
        if (got.colours[std::size_t(i)] !=
            (i < want.colorCount() ? want.color(i) | 0xFF000000u : 0xFF000000u))
            std::abort();
}

void expectColours(const pcx::Image& got, const QImage& want) {
    if (got.format != pcx::PixelFormat::Rgb32) std::abort();
    for (int y = 0; y < want.height(); ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(got.pixels.get() + got.stride * std::size_t(y));
        for (int x = 0; x < want.width(); ++x)
            if (row[x] != (want.pixel(x, y) | 0xFF000000u)) std::abort();
    }
}

// The picture as glimmer-pcx writes it; false when the writer refused it, as it must exactly
// for what a header cannot hold.
bool written(const QImage& image, bool truecolor, QByteArray& file, QImage& indexed) {
    const bool fits =
        image.height() <= glimmer::kMaxPcxHeight &&
        image.width() <= (truecolor ? glimmer::kMaxPcx24Width : glimmer::kMaxPcx8Width);
    try {
        if (truecolor) {
            file = glimmer::encodePcx24(image);
        } else {
            indexed = image.format() == QImage::Format_Indexed8 ? image
                      : image.format() == QImage::Format_Mono
                          ? image.convertToFormat(QImage::Format_Indexed8)
                          : glimmer::toIndexed8(image, {});
            if (indexed.isNull()) std::abort();
            file = glimmer::encodePcx8(indexed);
        }
    } catch (const glimmer::Error& e) {
        if (fits || e.number() != glimmer::errc::Overflow) std::abort();
        return false;
    }
    if (!fits) std::abort();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(std::span(data, size));
    const std::uint8_t how = in.next();
    const QImage::Format formats[] = {QImage::Format_Indexed8, QImage::Format_RGB32,
                                      QImage::Format_ARGB32, QImage::Format_Mono};
    const QImage::Format format = formats[how & 3];
    const bool truecolor = how & 4;
    QSize shape(in.upTo(300), in.upTo(300));
    const int widest = truecolor ? glimmer::kMaxPcx24Width : glimmer::kMaxPcx8Width;
    if (how & 8) shape = QSize(widest - 1 + in.next() % 3, 1); // either side of the limit
    if (how & 16) shape = QSize(1, glimmer::kMaxPcxHeight - 1 + in.next() % 3);
    const QImage image = picture(in, format, shape);
    if (image.isNull()) return 0;
    QByteArray file;
    QImage indexed;
    if (!written(image, truecolor, file, indexed)) return 0;
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(file.constData()),
                          std::size_t(file.size()));
    const pcx::Result r = pcx::decode(bytes, {pcx::Kinds::Every});
    if (r.status != pcx::Status::Ok || r.image.width != image.width() ||
        r.image.height != image.height() || r.header.version != 5 ||
        r.header.bytes_per_line % 2 != 0 || pcx::runs_across_lines(bytes) != 0)
        std::abort();
    if (truecolor)
        expectColours(r.image, image);
    else
        expectIndexes(r.image, indexed);
    return 0;
}
