// The program's windows, one instance each for the whole run, and the rule that ends it:
// the program runs while a window is on screen or its notification-area icon is present.
#pragma once

#include <QObject>
#include <cstdio>
#include <memory>

#include "browser/pcx_main.h"
#include "platform/platform.h"

namespace glimmer::viewer {
class FrmPicture;
}

namespace glimmer::browser {
class FrmTip;
class Screenshot;
} // namespace glimmer::browser

namespace glimmer::desktop {
class FrmLogin;
class FrmSplash;
class FrmTray;
} // namespace glimmer::desktop

namespace glimmer::app {

class Program : public QObject {
    Q_OBJECT
  public:
    // Problems with the file named at start go to `errors` as well as to a message box.
    explicit Program(platform::Platform& platform, std::FILE* errors = stderr);
    ~Program() override;

    browser::PCXMain& pcxMain() { return *m_pcxMain; }
    viewer::FrmPicture& frmPicture() { return *m_picture; }
    browser::FrmTip& frmTip() { return *m_tip; }
    browser::Screenshot& screenshot() { return *m_screenshot; }
    desktop::FrmTray& frmTray() { return *m_tray; }
    desktop::FrmSplash& frmSplash() { return *m_splash; }
    desktop::FrmLogin& frmLogin() { return *m_login; }
    browser::Session& session() { return m_session; }

    // Starts on the browser with `file` picked and shown in the picture window. A file that
    // cannot be decoded says so in its own message and shows nothing more; a missing file,
    // or a name the browser does not list as a PCX picture, is told in a message box and on
    // `errors`, and the browser stays on the program folder.
    void openFile(const QString& file);

  signals:
    // No window keeps the program running any longer.
    void finished();

  private:
    void formUnloaded(platform::Form* form);
    [[nodiscard]] bool keptByTray() const;
    void refuseFile(const QString& text);

    platform::Platform& m_platform;
    std::FILE* m_errors;
    browser::Session m_session;
    std::unique_ptr<viewer::FrmPicture> m_picture;
    std::unique_ptr<browser::FrmTip> m_tip;
    std::unique_ptr<browser::Screenshot> m_screenshot;
    std::unique_ptr<browser::PCXMain> m_pcxMain;
    std::unique_ptr<desktop::FrmTray> m_tray;
    std::unique_ptr<desktop::FrmSplash> m_splash;
    std::unique_ptr<desktop::FrmLogin> m_login;
    bool m_finished = false;
};

} // namespace glimmer::app
