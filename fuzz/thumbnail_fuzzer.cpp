// Fuzz target for what a file manager and a map preview ask of glimmer-pcx: the first page of
// a PCX, DCX, TGA or GIF file, through the door glimmer-pcx reads pictures by, shrunk as its rows
// are decoded (a thumbnail, a preview that covers its square, one that fits it), which must give
// what the whole decoded picture gives; the thumbnail written as PNG and read back, which must give
// it again.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "decode/gif_indexes.h"
#include "decode/picture_file.h"
#include "encode/thumbnail.h"
#include "png/png_writer.h"

namespace {

QImage shrunk(const glimmer::PictureFile& file, glimmer::Framing framing, int size) {
    glimmer::Shrinker shrinker(framing, size);
    if (!std::holds_alternative<glimmer::Picture>(file.readRows(0, shrinker))) return {};
    const QImage image = shrinker.result();
    if (image.isNull()) std::abort(); // no input of fuzzing size runs out
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const glimmer::PictureFile pages(bytes, QString());
    // Qt's own readers are not ours to fuzz; GIF's indexes are.
    if (pages.kind() == glimmer::PictureKind::Other && glimmer::gifIndexes(bytes).isNull())
        return 0;
    if (pages.count() == 0) return 0;
    const glimmer::PcxResult read = pages.read(0);
    const auto* picture = std::get_if<glimmer::Picture>(&read);
    const QImage streamed = shrunk(pages, glimmer::Framing::Longest, 64);
    if (!picture) {
        if (!streamed.isNull()) std::abort(); // rows handed on where the whole decode fails
        return 0;
    }
    (void)shrunk(pages, glimmer::Framing::Cover, 32);
    (void)shrunk(pages, glimmer::Framing::Fit, 32);
    const QImage thumbnail = glimmer::thumbnailImage(picture->image(), 64);
    const QImage& whole = picture->image();
    if (std::max(whole.width(), whole.height()) > 64 && streamed != thumbnail) std::abort();
    const QByteArray png = glimmer::encodePng(thumbnail);
    if (thumbnail.isNull() || png.isEmpty()) std::abort();
    const QImage back = QImage::fromData(png, "PNG");
    if (back.convertToFormat(QImage::Format_ARGB32) !=
        thumbnail.convertToFormat(QImage::Format_ARGB32))
        std::abort();
    return 0;
}
