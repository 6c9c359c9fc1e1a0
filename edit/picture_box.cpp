#include "edit/picture_box.h"

#include <QPainter>

namespace glimmer::edit {

PictureBox::PictureBox(QWidget* parent, QColor background)
    : QWidget(parent), m_background(background) {
    resetImage(size());
}

void PictureBox::setPicture(const Picture& picture) {
    m_picture = picture;
    if (picture.isEmpty()) {
        resetImage(size());
    } else {
        resize(picture.image().size());
        resetImage(picture.image().size());
        drawImage(picture.image());
    }
    update();
}

void PictureBox::drawImage(const QImage& source) {
    QPainter painter(&m_image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, source);
    update();
}

void PictureBox::resetImage(const QSize& size) {
    m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_image.fill(m_background);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

} // namespace glimmer::edit
