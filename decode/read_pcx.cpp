#include "decode/read_pcx.h"

#include <cstdlib>
#include <new>
#include <span>

#include "decode/files.h"

namespace glimmer {
namespace {

const QString kSorry = QStringLiteral("Sorry, can't load that pcx file!");
const QString kNoPalette =
    QStringLiteral("The PCX that was passed didn't have a 256 colour palette! Can't read it!");

QString refusalText(pcx::Status status) {
    switch (status) {
    case pcx::Status::NotEightBit:
    case pcx::Status::BadDimensions:
        return kSorry;
    case pcx::Status::NoPalette:
        return kNoPalette;
    default: // other plane counts are refused without a word
        return QString();
    }
}

} // namespace

Error decodeError(pcx::Status status) {
    const int number = pcx::error_number(status);
    const auto cause = pcx::to_string(status);
    return Error(number,
                 QStringLiteral("%1: %2").arg(
                     Error::standardText(number),
                     QString::fromUtf8(cause.data(), static_cast<qsizetype>(cause.size()))));
}

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
        switch (pcx::outcome(r.status)) {
        case pcx::Outcome::Decoded:
            return MakePicture(std::move(r.image));
        case pcx::Outcome::Refused:
            return Refusal{r.status, refusalText(r.status)};
        case pcx::Outcome::Failed:
            break;
        }
        return decodeError(r.status);
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
