#include "decode/picture.h"

#include <atomic>

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

} // namespace glimmer
