// frmSplash: the splash and about window, its buttons mostly web links. ENTER goes on to the
// notification-area window; X closes it.
#pragma once

#include <memory>

#include "desktop/on_top_form.h"
#include "platform/platform.h"

class QLineEdit;

namespace glimmer::desktop {

class FrmSplash final : public OnTopForm {
    Q_OBJECT
  public:
    FrmSplash(platform::Platform& platform, platform::Form& tray);
    ~FrmSplash() override;

    void link(int command); // Command2 to Command5
    void enter();           // Command1

  protected:
    QWidget* buildWindow() override;
    void onUnloaded() override;

  private:
    platform::Platform& m_platform;
    platform::Form& m_tray;
    QLineEdit* m_txtcustomers = nullptr;
};

} // namespace glimmer::desktop
