#include "decode/read_pcx.h"

#include <cstdlib>
#include <new>
#include <span>

#include "decode/files.h"
#include "decode/telling.h"

namespace glimmer {
namespace {

QImage::Format formatOf(pcx::PixelFormat format) {
    switch (format) {
    case pcx::PixelFormat::Indexed8:
        return QImage::Format_Indexed8;
    case pcx::PixelFormat::Mono1:
        return QImage::Format_Mono;
    case pcx::PixelFormat::Rgb32:
        return QImage::Format_RGB32;
    case pcx::PixelFormat::Argb32:
        return QImage::Format_ARGB32;
    }
    return QImage::Format_Invalid;
}

} // namespace

Picture MakePicture(pcx::Image image) {
    const QImage::Format format = formatOf(image.format);
    const bool indexed = format == QImage::Format_Indexed8 || format == QImage::Format_Mono;
    std::uint8_t* bits = image.pixels.get();
    QImage q(
        bits, image.width, image.height, static_cast<qsizetype>(image.stride), format,
        [](void* p) { std::free(p); }, bits);
    // Until the image holds them, the pixels are still freed by `image`.
    if (q.isNull()) throw Error(errc::OutOfMemory);
    (void)image.pixels.release();
    try {
        if (indexed)
            q.setColorTable(
                QList<QRgb>(image.colours.begin(), image.colours.begin() + image.colour_count));
        return Picture(std::move(q));
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

std::span<const std::uint8_t> bytesOf(const QByteArray& file) {
    return std::span(reinterpret_cast<const std::uint8_t*>(file.constData()),
                     static_cast<std::size_t>(file.size()));
}

pcx::Result DecodeBytes(std::span<const std::uint8_t> page, pcx::Kinds kinds) {
    try {
        return pcx::decode(page, {.kinds = kinds});
    } catch (const std::bad_alloc&) {
        pcx::Result r;
        r.header = pcx::PcxHeader::parse(page);
        r.status = pcx::Status::OutOfMemory;
        return r;
    }
}

PcxResult FromDecoded(pcx::Result r) {
    try {
        const Telling told = telling(r.status);
        switch (told.verdict) {
        case Verdict::Decoded:
            return MakePicture(std::move(r.image));
        case Verdict::Refused:
            return Refusal{r.status};
        case Verdict::Failed:
            break;
        }
        return Error(told.number, told.text);
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(errc::OutOfMemory);
    }
}

PcxResult DecodePcx(const QByteArray& file, pcx::Kinds kinds) {
    return FromDecoded(DecodeBytes(bytesOf(file), kinds));
}

PcxResult ReadPcx(const QString& path) {
    try {
        const ReadableFile file(path);
        const QByteArray start = file.readStart(static_cast<qint64>(pcx::kHeaderSize));
        const pcx::Status kind = pcx::check_kind(pcx::PcxHeader::parse(bytesOf(start)));
        if (kind != pcx::Status::Ok) return Refusal{kind};
        return DecodePcx(file.readAll());
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(errc::OutOfMemory);
    }
}

} // namespace glimmer
