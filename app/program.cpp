#include "app/program.h"

#include "browser/frm_tip.h"
#include "browser/screenshot.h"
#include "desktop/frm_login.h"
#include "desktop/frm_splash.h"
#include "desktop/frm_tray.h"
#include "viewer/frm_picture.h"

namespace glimmer::app {

Program::Program(platform::Platform& platform, std::FILE* errors)
    : m_platform(platform), m_errors(errors) {
    m_picture =
        std::make_unique<viewer::FrmPicture>(platform, [this] { return m_pcxMain->pickedName(); });
    m_tip = std::make_unique<browser::FrmTip>(platform);
    m_screenshot = std::make_unique<browser::Screenshot>(platform);
    m_pcxMain = std::make_unique<browser::PCXMain>(
        platform, m_session, browser::PCXMain::Windows{*m_picture, *m_tip, *m_screenshot});
    m_tray =
        std::make_unique<desktop::FrmTray>(platform, *m_pcxMain, [this] { m_tip->open(false); });
    m_splash = std::make_unique<desktop::FrmSplash>(platform, *m_tray);
    m_login = std::make_unique<desktop::FrmLogin>(platform, *m_tray, *m_splash);
    connect(&platform.forms, &platform::FormRuntime::formUnloaded, this, &Program::formUnloaded);
}

Program::~Program() {
    disconnect(&m_platform.forms, nullptr, this, nullptr);
    m_platform.tray.remove();
}

bool Program::keptByTray() const {
    return m_tray->isLoaded() && m_platform.tray.available();
}

void Program::formUnloaded(platform::Form*) {
    if (m_finished || keptByTray()) return;
    const QList<platform::Form*> loaded = m_platform.forms.loadedForms();
    for (platform::Form* f : loaded)
        if (f->isVisible()) return;
    // Windows that are loaded but hidden (a picked picture's window, a login dialog left
    // behind) must not keep the program running unseen.
    m_finished = true;
    for (platform::Form* f : loaded)
        f->unload();
    m_platform.tray.remove();
    emit finished();
}

void Program::refuseFile(const QString& text) {
    // stderr first: the box waits for an answer, the terminal should not.
    std::fprintf(m_errors, "glimmer: %s\n", text.toLocal8Bit().constData());
    std::fflush(m_errors);
    m_platform.dialogs.message(
        m_pcxMain->widget(), {text, QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
}

void Program::openFile(const QString& file) {
    m_pcxMain->show(); // on the program folder until the file's own is known to be readable
    const QString problem = m_pcxMain->openFile(file);
    if (!problem.isEmpty()) refuseFile(problem);
}

} // namespace glimmer::app
