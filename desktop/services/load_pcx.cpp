#include "desktop/services/load_pcx.h"

#include "decode/read_pcx.h"
#include "platform/dialogs.h"

namespace glimmer {
namespace {

void tellRefusal(const Refusal& refusal, platform::Dialogs& dialogs, QWidget* owner) {
    if (refusal.text.isEmpty()) return;
    if (refusal.kind == pcx::Status::NoPalette)
        dialogs.message(
            owner, {refusal.text, QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
    else
        dialogs.message(owner, {refusal.text, QStringLiteral("Sorry"), platform::Buttons::Ok,
                                platform::Icon::None});
}

Picture shown(PcxResult result, platform::Dialogs& dialogs, QWidget* owner) {
    if (auto* picture = std::get_if<Picture>(&result)) return std::move(*picture);
    if (auto* refusal = std::get_if<Refusal>(&result)) {
        tellRefusal(*refusal, dialogs, owner);
        return Picture();
    }
    throw std::get<Error>(std::move(result));
}

} // namespace

Picture LoadPcx(const QString& path, platform::Dialogs& dialogs, QWidget* owner) {
    return shown(ReadPcx(path), dialogs, owner);
}

Picture DecodePcxBytes(const QByteArray& file, platform::Dialogs& dialogs, QWidget* owner) {
    return shown(DecodePcx(file), dialogs, owner);
}

} // namespace glimmer
