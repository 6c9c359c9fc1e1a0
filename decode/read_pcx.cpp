#include "decode/read_pcx.h"

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
    auto* bits = image.pixels.release();
    QImage q(
        bits, image.width, image.height, static_cast<qsizetype>(image.stride),
        indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32, [](void* p) { std::free(p); },
        bits);
    if (indexed) q.setColorTable(QList<QRgb>(image.colours.begin(), image.colours.end()));
    return Picture(std::move(q));
}

PcxResult DecodePcx(const QByteArray& file) {
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(file.constData()),
                           static_cast<std::size_t>(file.size()));
    pcx::Result r = pcx::decode(bytes);
    switch (pcx::outcome(r.status)) {
    case pcx::Outcome::Decoded:
        return MakePicture(std::move(r.image));
    case pcx::Outcome::Refused:
        return Refusal{r.status, refusalText(r.status)};
    case pcx::Outcome::Failed:
        break;
    }
    return decodeError(r.status);
}

PcxResult ReadPcx(const QString& path) {
    QByteArray file;
    try {
        file = readWholeFile(path);
    } catch (const Error& e) {
        return e;
    }
    return DecodePcx(file);
}

} // namespace glimmer
