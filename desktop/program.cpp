#include "desktop/program.h"

#include "desktop/frm_tip.h"
#include "desktop/screenshot.h"
#include "viewer/frm_picture.h"

namespace glimmer::desktop {

Program::Program(platform::Platform& platform) : m_platform(platform) {
    m_picture =
        std::make_unique<viewer::FrmPicture>(platform, [this] { return m_pcxMain->pickedName(); });
    m_tip = std::make_unique<FrmTip>(platform);
    m_screenshot = std::make_unique<Screenshot>(platform);
    m_pcxMain = std::make_unique<browser::PCXMain>(
        platform, m_session, browser::PCXMain::Windows{*m_picture, *m_tip, *m_screenshot});
    connect(&platform.forms, &platform::FormRuntime::formUnloaded, this, &Program::formUnloaded);
}

Program::~Program() {
    disconnect(&m_platform.forms, nullptr, this, nullptr);
}

void Program::formUnloaded(platform::Form* form) {
    if (form != m_pcxMain.get()) return;
    // Windows loaded but never shown (a picked picture's window) must not keep it running.
    for (platform::Form* f : m_platform.forms.loadedForms())
        f->unload();
    emit finished();
}

} // namespace glimmer::desktop
