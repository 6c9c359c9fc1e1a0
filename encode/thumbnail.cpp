#include "encode/thumbnail.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>

#include "decode/picture_file.h"

namespace glimmer {
namespace {

int side(double v) {
    return std::max(1, static_cast<int>(std::lround(v)));
}

// Set bits in [from, to) of a row of bits, the most significant bit leftmost.
int onesIn(const std::uint8_t* row, int from, int to) noexcept {
    int ones = 0, x = from;
    const auto bit = [&](int i) { return (row[i >> 3] >> (7 - (i & 7))) & 1; };
    for (; x < to && (x & 7) != 0; ++x)
        ones += bit(x);
    for (; x + 8 <= to; x += 8)
        ones += std::popcount(row[x >> 3]);
    for (; x < to; ++x)
        ones += bit(x);
    return ones;
}

void addTo(std::uint64_t* sums, std::uint64_t n, QRgb c) noexcept {
    sums[0] += n * qAlpha(c);
    sums[1] += n * qRed(c);
    sums[2] += n * qGreen(c);
    sums[3] += n * qBlue(c);
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
        m_format = shape.format;
        const bool indexed =
            m_format == pcx::PixelFormat::Indexed8 || m_format == pcx::PixelFormat::Mono1;
        m_alpha = m_format == pcx::PixelFormat::Argb32;
        for (std::size_t i = 0; i < m_colours.size(); ++i) {
            m_colours[i] = qPremultiply(shape.colours[i]);
            if (indexed && int(i) < shape.colour_count && qAlpha(shape.colours[i]) != 255)
                m_alpha = true;
        }
        // Whole blocks down to at most twice the scaled size: the smooth scaling after them then
        // still sees every pixel's share, and what is held stays 16 bytes a scaled pixel.
        const QRect& r = m_frame.region;
        const auto blocks = [](int side, int scaled) {
            return (side + 2 * scaled - 1) / (2 * scaled);
        };
        m_kx = blocks(r.width(), m_frame.scaled.width());
        m_ky = blocks(r.height(), m_frame.scaled.height());
        const int bw = (r.width() + m_kx - 1) / m_kx, bh = (r.height() + m_ky - 1) / m_ky;
        m_reduced = QImage(bw, bh, QImage::Format_ARGB32_Premultiplied);
        m_sums.assign(4 * static_cast<std::size_t>(bw), 0);
    } catch (const std::bad_alloc&) {
        m_reduced = QImage();
    }
    return !m_reduced.isNull();
}

void Shrinker::row(int y, const std::uint8_t* pixels) noexcept {
    const QRect& r = m_frame.region;
    if (m_reduced.isNull() || y < r.top() || y > r.bottom()) return;
    if (m_format == pcx::PixelFormat::Mono1)
        addBits(pixels);
    else
        add(pixels);
    if (++m_rows == m_ky || y == r.bottom()) closeBlocks();
}

void Shrinker::add(const std::uint8_t* pixels) noexcept {
    const int left = m_frame.region.left(), width = m_frame.region.width();
    const auto* words = reinterpret_cast<const QRgb*>(pixels);
    const auto colour = [&](int x) -> QRgb {
        switch (m_format) {
        case pcx::PixelFormat::Indexed8:
            return m_colours[pixels[x]];
        case pcx::PixelFormat::Argb32:
            return qPremultiply(words[x]);
        default:
            return words[x];
        }
    };
    std::uint64_t* sums = m_sums.data();
    for (int x = 0; x < width; sums += 4) {
        const int end = std::min(width, x + m_kx);
        std::uint32_t a = 0, red = 0, green = 0, blue = 0;
        for (; x < end; ++x) {
            const QRgb c = colour(left + x);
            a += qAlpha(c), red += qRed(c), green += qGreen(c), blue += qBlue(c);
        }
        sums[0] += a, sums[1] += red, sums[2] += green, sums[3] += blue;
    }
}

// Two colours: how many pixels of a block have each is all there is to add.
void Shrinker::addBits(const std::uint8_t* pixels) noexcept {
    const int left = m_frame.region.left(), width = m_frame.region.width();
    std::uint64_t* sums = m_sums.data();
    for (int x = 0; x < width; x += m_kx, sums += 4) {
        const int end = std::min(width, x + m_kx);
        const auto ones = static_cast<std::uint64_t>(onesIn(pixels, left + x, left + end));
        addTo(sums, ones, m_colours[1]);
        addTo(sums, static_cast<std::uint64_t>(end - x) - ones, m_colours[0]);
    }
}

void Shrinker::closeBlocks() noexcept {
    auto* out = reinterpret_cast<QRgb*>(m_reduced.scanLine(m_done++));
    const int width = m_frame.region.width();
    for (int b = 0; b < m_reduced.width(); ++b) {
        const auto n = static_cast<std::uint64_t>(std::min(m_kx, width - b * m_kx) * m_rows);
        std::uint64_t* s = m_sums.data() + 4 * b;
        const auto avg = [&](int i) { return static_cast<int>((s[i] + n / 2) / n); };
        out[b] = qRgba(avg(1), avg(2), avg(3), avg(0));
        std::fill(s, s + 4, 0);
    }
    m_rows = 0;
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
    return m_alpha ? scaled : scaled.convertToFormat(QImage::Format_RGB32);
}

QImage thumbnailImage(const QImage& picture, int size) {
    if (std::max(picture.width(), picture.height()) <= size) return picture;
    Shrinker shrinker(Framing::Longest, size);
    feedRows(picture, shrinker);
    return shrinker.result();
}

} // namespace glimmer
