// frmTray: puts the program's icon into the notification area and answers it with a status
// text and a menu of links, the help window, keep-on-top of the browser, and Exit. The
// window itself never stays on screen.
#pragma once

#include <functional>
#include <memory>

#include "desktop/on_top_form.h"
#include "platform/platform.h"

class QAction;
class QLineEdit;
class QMenu;

namespace glimmer::desktop {

class FrmTray final : public OnTopForm {
    Q_OBJECT
  public:
    // `browser` is the window its keep-on-top pair acts on and that it shows; `openHelp`
    // shows the help window, modeless.
    FrmTray(platform::Platform& platform, platform::Form& browser, std::function<void()> openHelp);
    ~FrmTray() override;

    [[nodiscard]] QString status();
    [[nodiscard]] QMenu* menu();
    // The menu item of that object name, for tests; the window itself holds its items.
    [[nodiscard]] QAction* item(const QString& name);

    void iconClicked();
    void iconDoubleClicked();
    void iconContextClicked();
    void alwaysOnTop(); // mnuAlwaysOnTop and CmdOnTop; a closed browser takes it when shown
    void exitProgram(); // mnuExit
    void cancel();      // the Cancel button

  protected:
    QWidget* buildWindow() override;
    void onLoaded() override;
    void onActivate() override;
    void onUnloaded() override;

  private:
    struct Ui;
    void buildMenu();
    void webLink(const QString& address);
    void showBrowser();
    void applyOnTop(); // the tick's state onto the browser, when it is loaded
    void showTick();   // the menu's tick as the pair's box is

    platform::Platform& m_platform;
    platform::Form& m_browser;
    std::function<void()> m_openHelp;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::desktop
