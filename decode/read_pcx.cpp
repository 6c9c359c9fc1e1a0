#include "decode/load_pcx.h"

#include <QFileInfo>
#include <span>

#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"

namespace glimmer {
namespace {

const QString kSorry = QStringLiteral("Sorry, can't load that pcx file!");
const QString kNoPalette =
    QStringLiteral("The PCX that was passed didn't have a 256 colour palette! Can't read it!");

void tellRefusal(pcx::Status status, platform::Dialogs& dialogs) {
    switch (status) {
    case pcx::Status::NotEightBit:
    case pcx::Status::BadDimensions:
        dialogs.message(
            {kSorry, QStringLiteral("Sorry"), platform::Buttons::Ok, platform::Icon::None});
        break;
    case pcx::Status::NoPalette:
        dialogs.message(
            {kNoPalette, QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
        break;
    default: // other plane counts are refused without a word
        break;
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

Picture DecodePcxBytes(const QByteArray& file, platform::Dialogs& dialogs) {
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(file.constData()),
                           static_cast<std::size_t>(file.size()));
    pcx::Result r = pcx::decode(bytes);
    switch (pcx::outcome(r.status)) {
    case pcx::Outcome::Decoded:
        return MakePicture(std::move(r.image));
    case pcx::Outcome::Refused:
        tellRefusal(r.status, dialogs);
        return Picture();
    case pcx::Outcome::Failed:
        break;
    }
    throw decodeError(r.status);
}

Picture LoadPcx(const QString& path, platform::Dialogs& dialogs) {
    return DecodePcxBytes(platform::readWholeFile(path), dialogs);
}

bool FileExists(const QString& path) noexcept {
    try {
        return !path.isEmpty() && QFileInfo(path).exists();
    } catch (...) {
        return false;
    }
}

} // namespace glimmer
