#include "encode/ppm_writer.h"

#include "decode/error.h"

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
    const bool direct = image.format() == QImage::Format_RGB888;
    for (int y = 0; y < image.height(); ++y) {
        if (direct) {
            sink.write(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
            continue;
        }
        // The one conversion the whole picture went through before: the same colours.
        const QImage row =
            image.copy(0, y, image.width(), 1).convertToFormat(QImage::Format_RGB888);
        if (row.isNull()) throw Error(errc::OutOfMemory);
        sink.write(reinterpret_cast<const char*>(row.constScanLine(0)), rowBytes);
    }
}

} // namespace glimmer
