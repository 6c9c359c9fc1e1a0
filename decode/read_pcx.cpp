#include "decode/read_pcx.h"

#include <cstdlib>
#include <new>
#include <span>

#include "decode/files.h"
#include "decode/telling.h"

namespace glimmer {
Picture MakePicture(pcx::Image image) {
    const bool indexed = image.format == pcx::PixelFormat::Indexed8;
    std::uint8_t* bits = image.pixels.get();
    QImage q(
        bits, image.width, image.height, static_cast<qsizetype>(image.stride),
        indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32, [](void* p) { std::free(p); },
        bits);
    // Until the image holds them, the pixels are still freed by `image`.
    if (q.isNull()) throw Error(errc::OutOfMemory);
    (void)image.pixels.release();
    try {
        if (indexed) q.setColorTable(QList<QRgb>(image.colours.begin(), image.colours.end()));
        return Picture(std::move(q));
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

namespace {

pcx::Result decodeBytes(const QByteArray& file) {
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(file.constData()),
                                 static_cast<std::size_t>(file.size()));
    try {
        return pcx::decode(bytes);
    } catch (const std::bad_alloc&) {
        pcx::Result r;
        r.header = pcx::PcxHeader::parse(bytes);
        r.status = pcx::Status::OutOfMemory;
        return r;
    }
}

PcxResult toPcxResult(pcx::Result r) {
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

} // namespace

PcxResult DecodePcx(const QByteArray& file) {
    return toPcxResult(decodeBytes(file));
}

std::variant<pcx::Result, Error> DecodePcxFile(const QString& path) {
    try {
        const ReadableFile file(path);
        const QByteArray start = file.readStart(static_cast<qint64>(pcx::kHeaderSize));
        pcx::Result judged;
        judged.header = pcx::PcxHeader::parse(
            std::span(reinterpret_cast<const std::uint8_t*>(start.constData()),
                      static_cast<std::size_t>(start.size())));
        judged.status = pcx::check_kind(judged.header);
        if (judged.status != pcx::Status::Ok) return judged;
        return decodeBytes(file.readAll());
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(errc::OutOfMemory);
    }
}

PcxResult ReadPcx(const QString& path) {
    auto r = DecodePcxFile(path);
    if (auto* e = std::get_if<Error>(&r)) return std::move(*e);
    return toPcxResult(std::get<pcx::Result>(std::move(r)));
}

} // namespace glimmer
