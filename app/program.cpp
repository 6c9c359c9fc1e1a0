#include "app/program.h"

#include <QFileInfo>
#include <QListWidget>

#include "browser/folder_list.h"
#include "browser/frm_tip.h"
#include "browser/screenshot.h"
#include "decode/error.h"
#include "desktop/tray/frm_login.h"
#include "desktop/tray/frm_splash.h"
#include "desktop/tray/frm_tray.h"
#include "viewer/frm_picture.h"

namespace glimmer::app {

Program::Program(platform::Platform& platform) : m_platform(platform) {
    m_picture =
        std::make_unique<viewer::FrmPicture>(platform, [this] { return m_pcxMain->pickedName(); });
    m_tip = std::make_unique<browser::FrmTip>(platform);
    m_screenshot = std::make_unique<browser::Screenshot>(platform);
    m_pcxMain = std::make_unique<browser::PCXMain>(
        platform, m_session, browser::PCXMain::Windows{*m_picture, *m_tip, *m_screenshot});
    m_tray = std::make_unique<desktop::FrmTray>(platform, *m_pcxMain, *m_tip);
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

void Program::openFile(const QString& file) {
    const QFileInfo info(file);
    m_session.pictureViewed = true; // the folder stays where the file is
    m_pcxMain->show();
    try {
        m_pcxMain->dir1()->setPath(info.absolutePath());
    } catch (const Error&) {
        return; // an unreadable folder: the browser stays on the program folder
    }
    const QList<QListWidgetItem*> found =
        m_pcxMain->list1()->findItems(info.fileName(), Qt::MatchExactly);
    if (found.isEmpty()) return;
    m_pcxMain->list1()->setCurrentItem(found.first());
    m_pcxMain->viewPcx();
}

} // namespace glimmer::app
