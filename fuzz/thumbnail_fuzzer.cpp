// Fuzz target for what a file manager asks of glimmer-pcx: decode the first page of a file of
// any kind, make the thumbnail, write it as PNG and read that back, which must give the
// thumbnail again.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "decode/pcx_pages.h"
#include "encode/thumbnail.h"
#include "png/png_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const glimmer::PcxPages pages(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (pages.count() == 0) return 0;
    const glimmer::PcxResult read = pages.read(0);
    const auto* picture = std::get_if<glimmer::Picture>(&read);
    if (!picture) return 0;
    const QImage thumbnail = glimmer::thumbnailImage(picture->image(), 64);
    const QByteArray png = glimmer::encodePng(thumbnail);
    if (thumbnail.isNull() || png.isEmpty()) std::abort(); // no input of fuzzing size runs out
    const QImage back = QImage::fromData(png, "PNG");
    if (back.convertToFormat(QImage::Format_ARGB32) !=
        thumbnail.convertToFormat(QImage::Format_ARGB32))
        std::abort();
    return 0;
}
