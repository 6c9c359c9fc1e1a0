// frmSplash: the splash and about window, its buttons mostly web links. ENTER goes on to the
// notification-area window; X closes it.
#pragma once

#include <memory>

#include "platform/platform.h"

class QLineEdit;

namespace glimmer::desktop {

class KeepOnTop;

class FrmSplash final : public platform::Form {
    Q_OBJECT
  public:
    FrmSplash(platform::Platform& platform, platform::Form& tray);
    ~FrmSplash() override;

    KeepOnTop& keepOnTop();
    void link(int command); // Command2 to Command5
    void enter();           // Command1

  protected:
    QWidget* build() override;
    void onLoad() override;
    void onUnload() override;

  private:
    platform::Platform& m_platform;
    platform::Form& m_tray;
    QLineEdit* m_txtcustomers = nullptr;
    std::unique_ptr<KeepOnTop> m_onTop;
};

} // namespace glimmer::desktop
