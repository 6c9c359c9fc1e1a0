#include "encode/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "decode/picture_file.h"

namespace glimmer {
namespace {

int side(double v) {
    return std::max(1, static_cast<int>(std::lround(v)));
}

} // namespace

Frame frameFor(QSize picture, Framing framing, int size) {
    const int w = picture.width(), h = picture.height();
    Frame f{QRect(0, 0, w, h), picture, picture, {}};
    switch (framing) {
    case Framing::Longest:
        if (const int longest = std::max(w, h); longest > size)
            f.scaled = QSize(side(double(w) * size / longest), side(double(h) * size / longest));
        f.canvas = f.scaled;
        break;
    case Framing::Cover: {
        // The part of the picture that the square shows once the picture covers it.
        const double shown = size / std::max(double(size) / w, double(size) / h);
        const int rw = std::min(w, side(shown)), rh = std::min(h, side(shown));
        f.region = QRect((w - rw) / 2, (h - rh) / 2, rw, rh);
        f.scaled = f.canvas = QSize(size, size);
        break;
    }
    case Framing::Fit: {
        const double scale = std::min(double(size) / w, double(size) / h);
        f.scaled = QSize(std::min(size, side(w * scale)), std::min(size, side(h * scale)));
        f.canvas = QSize(size, size);
        f.at = QPoint((size - f.scaled.width()) / 2, (size - f.scaled.height()) / 2);
        break;
    }
    }
    return f;
}

bool Shrinker::start(const pcx::Image& shape) noexcept {
    try {
        m_picture = QSize(shape.width, shape.height);
        m_frame = frameFor(m_picture, m_framing, m_size);
        // Whole blocks down to at most twice the scaled size: the smooth scaling after them then
        // still sees every pixel's share, and what is held stays 16 bytes a scaled pixel.
        const QRect& r = m_frame.region;
        const auto edges = [](int side, int scaled) {
            const int k = (side + 2 * scaled - 1) / (2 * scaled);
            std::vector<int> e;
            for (int at = 0; at < side; at += k)
                e.push_back(at);
            e.push_back(side);
            return e;
        };
        m_boxes.emplace(shape, r.left(), edges(r.width(), m_frame.scaled.width()), r.top(),
                        edges(r.height(), m_frame.scaled.height()));
        m_reduced =
            QImage(m_boxes->width(), m_boxes->height(), QImage::Format_ARGB32_Premultiplied);
    } catch (const std::bad_alloc&) {
        m_reduced = QImage();
    }
    return !m_reduced.isNull();
}

void Shrinker::row(int y, const std::uint8_t* pixels) noexcept {
    if (m_reduced.isNull() || !m_boxes->add(y, pixels)) return;
    m_boxes->take_premultiplied(reinterpret_cast<std::uint32_t*>(m_reduced.scanLine(m_done++)));
}

QImage Shrinker::result() const {
    if (m_reduced.isNull() || m_done != m_reduced.height()) return {};
    QImage scaled =
        m_reduced.size() == m_frame.scaled
            ? m_reduced
            : m_reduced.scaled(m_frame.scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) return {};
    if (m_frame.canvas != m_frame.scaled) {
        QImage canvas(m_frame.canvas, QImage::Format_ARGB32_Premultiplied);
        if (canvas.isNull()) return {};
        canvas.fill(Qt::black);
        for (int y = 0; y < scaled.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(scaled.constScanLine(y)), scaled.width(),
                        reinterpret_cast<QRgb*>(canvas.scanLine(m_frame.at.y() + y)) +
                            m_frame.at.x());
        scaled = canvas;
    }
    return m_boxes->opaque() ? scaled.convertToFormat(QImage::Format_RGB32) : scaled;
}

QImage thumbnailImage(const QImage& picture, int size) {
    if (std::max(picture.width(), picture.height()) <= size) return picture;
    Shrinker shrinker(Framing::Longest, size);
    feedRows(picture, shrinker);
    return shrinker.result();
}

} // namespace glimmer
