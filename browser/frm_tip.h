// frmtip: the help window with two short texts, switched by two headings that light up red
// under the pointer, and a button that opens the help page on the web.
#pragma once

#include <memory>

#include "desktop/on_top_form.h"
#include "platform/platform.h"

class QLabel;
class QWidget;

namespace glimmer::browser {

class FrmTip final : public desktop::OnTopForm {
    Q_OBJECT
  public:
    explicit FrmTip(platform::Platform& platform);
    ~FrmTip() override;

    QWidget* panel(int index);  // 0 View (Picture1), 1 Import (Picture2)
    QLabel* heading(int index); // 0 "View PCX" (Label2), 1 "Import PCX" (Label3)

    void showPanel(int index); // Label2 / Label3 click
    void pointerOver(QObject* control);
    void openHelpPage(); // Command1

    // Shows the window modally or modeless; when it is already open either way, it is
    // brought to the front instead.
    void open(bool modal);

  protected:
    QWidget* buildWindow() override;
    void onUnloaded() override;

  private:
    struct Ui;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildPanel(int index);

    platform::Platform& m_platform;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::browser
