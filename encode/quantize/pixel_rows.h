// A picture's pixels a row at a time, and which of them a mask gives index 0, so that making
// a picture 8-bit holds no 32-bit copy of it and no flag a pixel.
#pragma once

#include <QImage>
#include <new>
#include <optional>

namespace glimmer {

class PixelRows {
  public:
    PixelRows(const QImage& picture, std::optional<QRgb> mask)
        : m_picture(picture), m_inPlace(picture.format() == QImage::Format_ARGB32 ||
                                        picture.format() == QImage::Format_RGB32),
          m_mask(mask ? std::optional<QRgb>(*mask | 0xFF000000u) : std::nullopt) {}

    int width() const { return m_picture.width(); }
    int height() const { return m_picture.height(); }

    // Row `y` as 0xAARRGGBB words, not premultiplied, valid until the next call: read where
    // the picture holds them (opaque 32-bit pixels already are such words), else converted
    // alone. Throws std::bad_alloc.
    const QRgb* row(int y) {
        if (m_inPlace) return reinterpret_cast<const QRgb*>(m_picture.constScanLine(y));
        m_scratch = m_picture.copy(0, y, width(), 1).convertToFormat(QImage::Format_ARGB32);
        if (m_scratch.isNull()) throw std::bad_alloc();
        return reinterpret_cast<const QRgb*>(m_scratch.constScanLine(0));
    }

    // Pixels of exactly the mask colour, and of alpha below half, when there is a mask.
    bool masked(QRgb c) const {
        return m_mask && (qAlpha(c) < 128 || (c | 0xFF000000u) == *m_mask);
    }

  private:
    const QImage& m_picture;
    bool m_inPlace;
    std::optional<QRgb> m_mask;
    QImage m_scratch;
};

} // namespace glimmer
