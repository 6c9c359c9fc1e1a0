// frmPicture: the window that shows one picture, with its File and Edit pop-up menus and
// the recent-files list. The browser puts the decoded picture into Picture1 and shows the
// window modally; closing it by any means unloads it.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "platform/platform.h"
#include "viewer/recent_files.h"

class QAction;
class QLabel;
class QMenu;

namespace glimmer::edit {
class PictureBox;
class PictureCommands;
} // namespace glimmer::edit

namespace glimmer::desktop {
class KeepOnTop;
}

namespace glimmer::viewer {

class FrmPicture final : public platform::Form {
    Q_OBJECT
  public:
    // `pickedName` reads the name currently picked in the browser's list.
    FrmPicture(platform::Platform& platform, std::function<QString()> pickedName);
    ~FrmPicture() override;

    // The display box; touching it loads the window, hidden.
    edit::PictureBox* picture1();
    edit::PictureBox* picture2();
    // Whether the display box holds a picture with a non-zero handle.
    [[nodiscard]] bool holdsPicture();

    [[nodiscard]] RecentFiles& recentFiles() { return m_recent; }
    [[nodiscard]] desktop::KeepOnTop& keepOnTop();

    // The menu item or label of that name ("mnuFlipV", "mnu3_0", ...), loading the window.
    [[nodiscard]] QAction* action(const QString& name);
    [[nodiscard]] QMenu* menu(int index); // mnubar(0) File, mnubar(1) Edit
    void mnu3Click(int index);            // pops the menu up under its label

    void openPictureFile(const QString& path);

  protected:
    QWidget* build() override;
    void onLoad() override;
    void onActivate() override;
    void onUnload() override;

  private:
    struct Ui;
    void buildMenus();
    QAction* addItem(QMenu* menu, const QString& name, const QString& text,
                     std::function<void()> handler, const QKeySequence& key = {});
    void showRecentFiles();

    platform::Platform& m_platform;
    std::function<QString()> m_pickedName;
    RecentFiles m_recent;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::viewer
