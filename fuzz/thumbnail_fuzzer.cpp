// Fuzz target for what a file manager asks of glimmer-pcx: decode as the viewer does, make
// the thumbnail, write it as PNG and read that back, which must give the thumbnail again.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "decode/read_pcx.h"
#include "encode/thumbnail.h"
#include "png/png_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const glimmer::PcxResult read = glimmer::DecodePcx(file);
    const auto* picture = std::get_if<glimmer::Picture>(&read);
    if (!picture) return 0;
    const QImage thumbnail = glimmer::thumbnailImage(picture->image(), 64);
    const QByteArray png = glimmer::encodePng(thumbnail);
    if (thumbnail.isNull() || png.isEmpty()) std::abort(); // no input of fuzzing size runs out
    const QImage back = QImage::fromData(png, "PNG");
    if (back.convertToFormat(QImage::Format_RGB32) !=
        thumbnail.convertToFormat(QImage::Format_RGB32))
        std::abort();
    return 0;
}
