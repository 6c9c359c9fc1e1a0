#include "encode/ppm_writer.h"

#include "decode/error.h"
#include "encode/rows.h"

namespace glimmer {
namespace {

QByteArray header(const QImage& image) {
    return "P6\n" + QByteArray::number(image.width()) + ' ' + QByteArray::number(image.height()) +
           "\n255\n";
}

} // namespace

qint64 ppmSize(const QImage& image) {
    return header(image).size() + 3 * qint64(image.width()) * image.height();
}

void writePpm(const QImage& image, ByteSink& sink) {
    const QByteArray start = header(image);
    sink.write(start.constData(), start.size());
    const qint64 rowBytes = 3 * qint64(image.width());
    QImage scratch;
    try {
        for (int y = 0; y < image.height(); ++y)
            sink.write(
                reinterpret_cast<const char*>(rowIn(image, y, QImage::Format_RGB888, scratch)),
                rowBytes);
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

} // namespace glimmer
