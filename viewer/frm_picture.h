// frmPicture: the window that shows one picture, with its File and Edit pop-up menus and
// the recent-files list. The browser hands it the decoded picture and shows the window
// modally; closing it by any means unloads it.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "decode/picture.h"
#include "desktop/on_top_form.h"
#include "platform/platform.h"
#include "viewer/recent_files.h"

class QAction;
class QLabel;
class QMenu;

namespace glimmer::edit {
class PictureBox;
class PictureCommands;
} // namespace glimmer::edit

namespace glimmer::viewer {

class FrmPicture final : public desktop::OnTopForm {
    Q_OBJECT
  public:
    // `pickedName` reads the name currently picked in the browser's list.
    FrmPicture(platform::Platform& platform, std::function<QString()> pickedName);
    ~FrmPicture() override;

    // Puts `picture` into the display box (loading the window, hidden); the empty picture
    // clears it.
    void setPicture(const Picture& picture);
    // Whether the display box holds a picture with a non-zero handle.
    [[nodiscard]] bool holdsPicture();

    // The display box and the reference copy; touching them loads the window, hidden.
    edit::PictureBox* picture1();
    edit::PictureBox* picture2();

    [[nodiscard]] RecentFiles& recentFiles() { return m_recent; }

    // The menu item of that object name ("mnuFlipV", "mnufilelist_1", ...), loading the
    // window. For tests and accessibility checks; the window itself holds its items.
    [[nodiscard]] QAction* action(const QString& name);
    [[nodiscard]] QMenu* menu(int index); // mnubar(0) File, mnubar(1) Edit
    void mnu3Click(int index);            // pops the menu up under its label

    void openPictureFile(const QString& path);

  protected:
    QWidget* buildWindow() override;
    void onLoaded() override;
    void onActivate() override;
    void onUnloaded() override;

  private:
    struct Ui;
    void buildMenus();
    // A menu item, its handler connected and its shortcut live while the menu is hidden.
    QAction* addItem(QMenu* menu, const QString& name, const QString& text,
                     std::function<void()> handler, const QKeySequence& key = {});
    void showRecentFiles();
    void updateActions(); // enabled states of the menu items

    platform::Platform& m_platform;
    std::function<QString()> m_pickedName;
    RecentFiles m_recent;
    std::unique_ptr<Ui> m_ui;
};

} // namespace glimmer::viewer
