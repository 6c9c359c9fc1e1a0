#include "desktop/load_pcx.h"

#include "decode/read_pcx.h"
#include "decode/telling.h"
#include "platform/dialogs.h"

namespace glimmer {
namespace {

void tellRefusal(const Refusal& refusal, platform::Dialogs& dialogs, QWidget* owner) {
    const Telling told = telling(refusal.kind);
    if (told.text.isEmpty()) return;
    dialogs.message(owner, {told.text, told.title, platform::Buttons::Ok,
                            told.warning ? platform::Icon::Exclamation : platform::Icon::None});
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

} // namespace glimmer
