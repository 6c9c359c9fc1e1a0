// Pictures made small for file managers and map previews, a row at a time: what is held grows
// with the small picture, never with the one it is made from.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <optional>

#include "pcx/box_average.h"
#include "pcx/decode.h"

namespace glimmer {

// How a picture is framed: its longest side made the size (never enlarged), or scaled to
// cover a square of the size and cut to its centre, or scaled to fit inside it on black.
enum class Framing { Longest, Cover, Fit };

// Where a picture goes in its frame.
struct Frame {
    QRect region; // the part of the picture that is kept
    QSize scaled; // the size that part is scaled to
    QSize canvas; // the size of the result
    QPoint at;    // where the scaled part lies on the canvas, black around it
};

[[nodiscard]] Frame frameFor(QSize picture, Framing framing, int size);

// Takes a picture's rows as they are decoded and keeps only its frame's region, averaged over
// blocks of whole pixels down to at most about twice the scaled size; result() scales that
// smoothly. Alpha is kept, premultiplied so that transparent pixels lend no colour.
class Shrinker : public pcx::RowSink {
  public:
    Shrinker(Framing framing, int size) : m_framing(framing), m_size(size) {}

    bool start(const pcx::Image& shape) noexcept override;
    void row(int y, const std::uint8_t* pixels) noexcept override;

    // The framed picture: RGB32 when the picture is opaque, else ARGB32 premultiplied. Null
    // when no row came or memory ran out.
    [[nodiscard]] QImage result() const;
    // The size of the picture whose rows came.
    [[nodiscard]] QSize pictureSize() const { return m_picture; }

  private:
    Framing m_framing;
    int m_size;
    Frame m_frame;
    QSize m_picture;
    std::optional<pcx::BoxAverage> m_boxes;
    int m_done = 0;
    QImage m_reduced;
};

// `picture` with its longest side made `size` pixels, aspect kept, smoothly scaled; a picture
// no larger is returned as it is. A null image when memory runs out.
[[nodiscard]] QImage thumbnailImage(const QImage& picture, int size);

} // namespace glimmer
