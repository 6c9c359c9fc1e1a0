// frmTray: puts the program's icon into the notification area and answers it with a status
// text and a menu of links, the help window, keep-on-top of the browser, and Exit. The
// window itself never stays on screen.
#pragma once

#include <memory>

#include "platform/platform.h"

class QAction;
class QLineEdit;
class QMenu;

namespace glimmer::browser {
class FrmTip;
}

namespace glimmer::desktop {

class KeepOnTop;

class FrmTray final : public platform::Form {
    Q_OBJECT
  public:
    // `browser` is the window its keep-on-top pair acts on and that it shows.
    FrmTray(platform::Platform& platform, platform::Form& browser, browser::FrmTip& help);
    ~FrmTray() override;

    [[nodiscard]] QString status();
    [[nodiscard]] QMenu* menu();
    // The menu item of that object name, for tests; the window itself holds its items.
    [[nodiscard]] QAction* item(const QString& name);
    KeepOnTop& keepOnTop();

    void iconClicked();
    void iconDoubleClicked();
    void iconContextClicked();
    void alwaysOnTop(); // mnuAlwaysOnTop and CmdOnTop; a closed browser takes it when shown
    void exitProgram(); // mnuExit
    void cancel();      // the Cancel button

  protected:
    QWidget* build() override;
    void onLoad() override;
    void onActivate() override;
    void onUnload() override;

  private:
    struct Ui;
    void buildMenu();
    void connectControls();
    void webLink(const QString& address);
    void showBrowser();
    void applyOnTop(); // the tick's state onto the browser, when it is loaded

    platform::Platform& m_platform;
    platform::Form& m_browser;
    browser::FrmTip& m_help;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::desktop
