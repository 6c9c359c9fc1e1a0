#include "edit/picture_box.h"

#include <QPaintEvent>
#include <QPainter>

#include "decode/error.h"

namespace glimmer::edit {
namespace {

void paintOver(QImage& canvas, const QImage& source) {
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, source);
}

} // namespace

PictureBox::PictureBox(QWidget* parent, QColor background)
    : QWidget(parent), m_background(background) {
    m_image = blank(size());
}

void PictureBox::setPicture(const Picture& picture) {
    // Nothing changes until the new image is made: no memory for it leaves the box as it was.
    // Emptying the box never fails: without memory for the background, it shows nothing.
    QImage image;
    if (!picture.isEmpty()) {
        image = shown(picture.image());
    } else {
        try {
            image = blank(size());
        } catch (const Error&) {
        }
    }
    m_picture = picture;
    m_image = std::move(image);
    if (!picture.isEmpty()) resize(m_image.size());
    update();
}

void PictureBox::drawImage(const QImage& source) {
    // A drawing that covers the whole box replaces the image: it shares the source's pixels
    // (an 8-bit picture stays 8-bit) instead of keeping a 32-bit copy of them.
    if (source.size() == m_image.size() && !source.hasAlphaChannel()) {
        m_image = source;
    } else {
        QImage canvas = m_image.convertToFormat(QImage::Format_RGB32);
        if (canvas.isNull()) throw Error(errc::OutOfMemory);
        paintOver(canvas, source);
        m_image = std::move(canvas);
    }
    update();
}

QImage PictureBox::shown(const QImage& source) const {
    if (!source.hasAlphaChannel()) return source;
    // Transparency is not kept: the picture is drawn as onto an opaque box.
    QImage canvas = blank(source.size());
    paintOver(canvas, source);
    return canvas;
}

QImage PictureBox::blank(const QSize& size) const {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    if (image.isNull()) throw Error(errc::OutOfMemory);
    image.fill(m_background);
    return image;
}

void PictureBox::paintEvent(QPaintEvent* event) {
    // Only what is exposed: an 8-bit picture is converted for the screen as it is drawn, and
    // a window smaller than its picture shows a small part of it.
    const QRect exposed = event->rect() & m_image.rect();
    if (exposed.isEmpty()) return;
    QPainter painter(this);
    if (exposed == m_image.rect())
        painter.drawImage(0, 0, m_image);
    else
        painter.drawImage(exposed.topLeft(), m_image, exposed);
}

} // namespace glimmer::edit
