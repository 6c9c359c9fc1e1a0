#include "decode/telling.h"

namespace glimmer {

Telling telling(pcx::Status status) {
    using pcx::Status;
    if (status == Status::Ok) return {};
    const QString text = QString::fromUtf8(pcx::status_text(status));
    if (const int number = pcx::status_number(status))
        return {Verdict::Failed, number, text, {}, true};
    switch (status) {
    case Status::NotEightBit:
    case Status::BadDimensions:
        return {Verdict::Refused, 0, text, QStringLiteral("Sorry"), false};
    case Status::NoPalette:
        return {Verdict::Refused, 0, text, {}, true};
    default:
        return {Verdict::Refused, 0, text, {}, false};
    }
}

} // namespace glimmer
