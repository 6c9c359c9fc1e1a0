// PCXMain: the browser, the program's main window. Three pages under a row of picture
// buttons: welcome, the PCX list of a folder, and more links.
#pragma once

#include <QStringList>
#include <memory>

#include "browser/import_delete.h"
#include "platform/platform.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QWidget;

namespace glimmer {
class Error;
}

namespace glimmer::viewer {
class FrmPicture;
}

namespace glimmer::browser {

class FileList;
class FolderList;
class FrmTip;

// Program-wide state the browser keeps across its own unloading.
struct Session {
    bool pictureViewed = false; // "View PCX" was pressed at least once this run
};

class PCXMain final : public platform::Form {
    Q_OBJECT
  public:
    struct Windows {
        viewer::FrmPicture& picture;
        FrmTip& tip;
        platform::Form& screenshot;
    };
    PCXMain(platform::Platform& platform, Session& session, Windows windows);
    ~PCXMain() override;

    // Controls; each access loads the window, hidden.
    QListWidget* list1();
    FileList& file1();
    FolderList* dir1();
    QComboBox* drive1();
    QProgressBar* progressBar1();
    QWidget* page(int index); // 0 welcome (Frame1), 1 open (openframe), 2 more (Editframe)
    // The button of that object name, for tests; the window itself holds its controls.
    QPushButton* button(const QString& name);

    // The text of List1's selected entry; empty when none is picked.
    QString pickedName();
    QListWidgetItem* pickedItem();

    void FillPcxList();
    void LoadSelectedPicture();
    void showPage(int index);
    void viewPcx();   // Command2
    void importPcx(); // Command10
    void deletePcx(); // Command11
    // Picks `file` in its folder and shows it in the picture window. A file that cannot be
    // decoded has told the user; otherwise returns what keeps the file from being shown (it
    // is missing, no PCX picture or its folder unreadable), empty when shown.
    QString openFile(const QString& file);
    void pickDrive(const QString& root);
    void chatHover(); // the pointer over Command9

    [[nodiscard]] int selectedIndex() const { return m_selectedIndex; }
    [[nodiscard]] const QString& selectedPath() const { return m_selectedPath; }
    [[nodiscard]] const ImportPaths& copyPaths() const { return m_copy; }

  protected:
    QWidget* build() override;
    void onLoad() override;
    void onActivate() override;
    void onUnload() override;

  private:
    struct Ui;
    void buildPages();
    void buildWelcomePage(QWidget* page);
    void buildOpenPage(QWidget* page);
    void buildMorePage(QWidget* page);
    void connectControls();
    [[nodiscard]] QStringList driveRoots() const;
    void showDrive(); // Drive1 on the folder list's volume
    void onSelect();
    void failLoad(const QString& path, const Error& e);
    void webLink(const QString& address);
    [[nodiscard]] QWidget* owner() const; // the window its messages stand over, while loaded

    platform::Platform& m_platform;
    Session& m_session;
    Windows m_windows;
    std::unique_ptr<Ui> m_ui;
    qint16 m_selectedIndex = 0;
    bool m_pressPicked = false; // the mouse press under way changed the selection, and so picked
    QString m_selectedPath;
    ImportPaths m_copy;
};

} // namespace glimmer::browser
