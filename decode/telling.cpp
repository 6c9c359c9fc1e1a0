#include "decode/telling.h"

#include "decode/error.h"
#include "pcx/decode.h"

namespace glimmer {
namespace {

Telling refusal(const char* text, const char* title, bool warning) {
    return {Verdict::Refused, 0, QString::fromUtf8(text), QString::fromUtf8(title), warning};
}

// A failure says its number's standard text and, after it, the cause.
Telling failure(int number, pcx::Status status) {
    const std::string_view cause = pcx::to_string(status);
    return {Verdict::Failed, number,
            Error::standardText(number) + QStringLiteral(": ") +
                QString::fromUtf8(cause.data(), static_cast<qsizetype>(cause.size())),
            QString(), true};
}

} // namespace

Telling telling(pcx::Status status) {
    using pcx::Status;
    switch (status) {
    case Status::Ok:
        return {};
    case Status::NotEightBit:
    case Status::BadDimensions:
        return refusal("Sorry, can't load that pcx file!", "Sorry", false);
    case Status::UnsupportedPlanes:
    case Status::UnknownKind:
        return refusal("", "", false);
    case Status::NoPalette:
        return refusal("The PCX that was passed didn't have a 256 colour palette! Can't read it!",
                       "", true);
    case Status::WidthOverflow:
    case Status::HeightOverflow:
    case Status::LineOverflow:
        return failure(errc::Overflow, status);
    case Status::TooLarge: {
        // The limit said with its number, from the one place it is set.
        Telling told = failure(errc::OutOfMemory, status);
        told.text +=
            QStringLiteral(" (%1 MiB of pixels)").arg(pcx::Options{}.max_pixel_bytes >> 20);
        return told;
    }
    case Status::OutOfMemory:
        return failure(errc::OutOfMemory, status);
    case Status::TruncatedHeader:
    case Status::EmptyScanLine:
    case Status::DataTooShort:
    case Status::DataEnded:
    case Status::PlaneReadOutside:
    case Status::LineTooShort:
        return failure(errc::OutOfRange, status);
    case Status::PaletteBeforeStart:
    case Status::DcxTableCut:
    case Status::DcxNoPages:
    case Status::DcxTooManyPages:
    case Status::DcxPageOutside:
    case Status::DcxPageInTable:
    case Status::DcxPageOrder:
        return failure(errc::BadFilePosition, status);
    }
    return failure(errc::OutOfRange, status);
}

} // namespace glimmer
