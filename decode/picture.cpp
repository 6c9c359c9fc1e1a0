#include "decode/picture.h"

#include <QGuiApplication>
#include <QScreen>
#include <atomic>
#include <cmath>

namespace glimmer {
namespace {
std::atomic<quint64> g_nextHandle{1};
} // namespace

Picture::Picture(QImage image) {
    if (image.isNull()) return;
    m_data = std::make_shared<const Data>(Data{std::move(image), g_nextHandle++});
}

const QImage& Picture::image() const noexcept {
    static const QImage empty;
    return m_data ? m_data->image : empty;
}

double Picture::pixelsPerInch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->logicalDotsPerInchX();
    return 96.0;
}

int Picture::toHiMetric(int pixels, double ppi) {
    return static_cast<int>(std::lround(pixels * 2540.0 / ppi));
}

int Picture::widthHiMetric() const {
    return toHiMetric(image().width(), pixelsPerInch());
}
int Picture::heightHiMetric() const {
    return toHiMetric(image().height(), pixelsPerInch());
}

} // namespace glimmer
