// Fuzz target for what a file manager and a map preview ask of glimmer-pcx: the first page of
// a file of any kind shrunk as its rows are decoded (a thumbnail, a preview that covers its
// square, one that fits it), which must give what the whole decoded picture gives; the
// thumbnail written as PNG and read back, which must give it again.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "decode/pcx_pages.h"
#include "encode/thumbnail.h"
#include "png/png_writer.h"

namespace {

QImage shrunk(const glimmer::PcxPages& pages, glimmer::Framing framing, int size) {
    glimmer::Shrinker shrinker(framing, size);
    if (pages.decodeRows(0, shrinker).status != pcx::Status::Ok) return {};
    const QImage image = shrinker.result();
    if (image.isNull()) std::abort(); // no input of fuzzing size runs out
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const glimmer::PcxPages pages(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
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
