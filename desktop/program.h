// The program's windows, one instance each for the whole run, and the rule that ends it:
// closing the browser ends the program.
#pragma once

#include <QObject>
#include <memory>

#include "browser/pcx_main.h"
#include "platform/platform.h"

namespace glimmer::viewer {
class FrmPicture;
}

namespace glimmer::desktop {

class FrmTip;
class Screenshot;

class Program : public QObject {
    Q_OBJECT
  public:
    explicit Program(platform::Platform& platform);
    ~Program() override;

    browser::PCXMain& pcxMain() { return *m_pcxMain; }
    viewer::FrmPicture& frmPicture() { return *m_picture; }
    FrmTip& frmTip() { return *m_tip; }
    Screenshot& screenshot() { return *m_screenshot; }
    browser::Session& session() { return m_session; }

  signals:
    // No window keeps the program running any longer.
    void finished();

  private:
    void formUnloaded(platform::Form* form);

    platform::Platform& m_platform;
    browser::Session m_session;
    std::unique_ptr<viewer::FrmPicture> m_picture;
    std::unique_ptr<FrmTip> m_tip;
    std::unique_ptr<Screenshot> m_screenshot;
    std::unique_ptr<browser::PCXMain> m_pcxMain;
};

} // namespace glimmer::desktop
