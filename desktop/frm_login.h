// frmLogin: asks for a user name and a password; the empty password is the one accepted.
// OK leads to the notification-area window, Cancel to the splash window.
#pragma once

#include <memory>

#include "desktop/on_top_form.h"
#include "platform/platform.h"

class QLineEdit;

namespace glimmer::desktop {

class FrmLogin final : public OnTopForm {
    Q_OBJECT
  public:
    FrmLogin(platform::Platform& platform, platform::Form& tray, platform::Form& splash);
    ~FrmLogin() override;

    [[nodiscard]] bool loginSucceeded() const { return m_loginSucceeded; }
    QLineEdit* txtUserName();
    QLineEdit* txtPassword();

    void ok();     // cmdOK
    void cancel(); // cmdCancel

  protected:
    QWidget* buildWindow() override;
    void onUnloaded() override;

  private:
    struct Ui;
    platform::Platform& m_platform;
    platform::Form& m_tray;
    platform::Form& m_splash;
    bool m_loginSucceeded = false;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::desktop
