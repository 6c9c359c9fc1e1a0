#include "desktop/services/load_pcx.h"

#include "decode/read_pcx.h"
#include "platform/dialogs.h"

namespace glimmer {
namespace {

void tellRefusal(const Refusal& refusal, platform::Dialogs& dialogs) {
    if (refusal.text.isEmpty()) return;
    if (refusal.kind == pcx::Status::NoPalette)
        dialogs.message(
            {refusal.text, QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
    else
        dialogs.message(
            {refusal.text, QStringLiteral("Sorry"), platform::Buttons::Ok, platform::Icon::None});
}

Picture shown(PcxResult result, platform::Dialogs& dialogs) {
    if (auto* picture = std::get_if<Picture>(&result)) return std::move(*picture);
    if (auto* refusal = std::get_if<Refusal>(&result)) {
        tellRefusal(*refusal, dialogs);
        return Picture();
    }
    throw std::get<Error>(std::move(result));
}

} // namespace

Picture LoadPcx(const QString& path, platform::Dialogs& dialogs) {
    return shown(ReadPcx(path), dialogs);
}

Picture DecodePcxBytes(const QByteArray& file, platform::Dialogs& dialogs) {
    return shown(DecodePcx(file), dialogs);
}

} // namespace glimmer
