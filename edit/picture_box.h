// A picture box: holds a Picture, sizes itself to it, and keeps a persistent image of what
// is drawn on it, so drawings survive repainting and can be saved.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "decode/picture.h"

namespace glimmer::edit {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr, QColor background = QColor(192, 192, 192));

    [[nodiscard]] const Picture& picture() const { return m_picture; }
    // Replaces the picture; the persistent image starts again from it (Error 7 without the
    // memory for it, the box left as it was). An empty picture keeps the box's size and clears
    // the image to the background; it never fails.
    void setPicture(const Picture& picture);

    // What the box shows: the picture plus what was drawn over it.
    [[nodiscard]] const QImage& image() const { return m_image; }
    // Draws `source` with its top-left corner at the box's top-left corner, clipped to the box.
    // Throws Error 7 when there is no memory for the drawing.
    void drawImage(const QImage& source);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    [[nodiscard]] QImage shown(const QImage& source) const;
    [[nodiscard]] QImage blank(const QSize& size) const;

    Picture m_picture;
    QImage m_image;
    QColor m_background;
};

} // namespace glimmer::edit
