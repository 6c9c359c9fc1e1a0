#include "browser/pcx_main.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "browser/folder_list.h"
#include "browser/frm_tip.h"
#include "browser/pcx_main_ui.h"
#include "decode/error.h"
#include "desktop/controls.h"
#include "desktop/load_pcx.h"
#include "desktop/web_links.h"
#include "platform/volumes.h"
#include "viewer/frm_picture.h"

namespace glimmer::browser {

PCXMain::PCXMain(platform::Platform& platform, Session& session, Windows windows)
    : Form(platform.forms, QStringLiteral("PCXMain")), m_platform(platform), m_session(session),
      m_windows(windows) {}

PCXMain::~PCXMain() = default;

QListWidget* PCXMain::list1() {
    load();
    return m_ui->list1;
}

FileList& PCXMain::file1() {
    load();
    return *m_ui->file1;
}

FolderList* PCXMain::dir1() {
    load();
    return m_ui->dir1;
}

QComboBox* PCXMain::drive1() {
    load();
    return m_ui->drive1;
}

QProgressBar* PCXMain::progressBar1() {
    load();
    return m_ui->progress;
}

QWidget* PCXMain::page(int index) {
    load();
    return m_ui->pages[index];
}

QPushButton* PCXMain::button(const QString& name) {
    load();
    return m_ui->window->findChild<QPushButton*>(name);
}

// The picked entry is the selected one: an accessibility client can select an entry without
// making it the current item.
QListWidgetItem* PCXMain::pickedItem() {
    const QList<QListWidgetItem*> selected = list1()->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QWidget* PCXMain::owner() const {
    return m_ui ? m_ui->window : nullptr;
}

QString PCXMain::pickedName() {
    QListWidgetItem* item = pickedItem();
    return item ? item->text() : QString();
}

void PCXMain::connectControls() {
    const Ui& ui = *m_ui;
    auto clicked = [this](QPushButton* button, auto handler) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    clicked(ui.top[0], [this] { showPage(0); });
    clicked(ui.top[1], [this] { showPage(1); });
    clicked(ui.top[3], [this] { showPage(2); });
    clicked(ui.top[2], [this] { viewPcx(); });
    clicked(ui.import, [this] { importPcx(); });
    clicked(ui.remove, [this] { deletePcx(); });
    clicked(ui.fragvault, [this] { webLink(desktop::links::kFragvaultHome); });
    clicked(ui.gameSite, [this] { webLink(desktop::links::kGameHome); });
    clicked(ui.glimmerPage, [this] { webLink(desktop::links::kQuillonGlimmer); });
    clicked(ui.help, [this] { m_windows.tip.open(true); });
    clicked(ui.screenshots, [this] { m_windows.screenshot.showModal(); });
    clicked(ui.chat, [this] {
        m_platform.dialogs.message(owner(), {QStringLiteral("Will Be out soon only at Fragvault"),
                                             QStringLiteral("Parlorchat"), platform::Buttons::Ok,
                                             platform::Icon::None});
    });
    connect(m_ui->dir1, &FolderList::pathChanged, this, [this](const QString& path) {
        showDrive();
        m_ui->file1->setFolder(path);
    });
    connect(m_ui->file1.get(), &FileList::folderChanged, this, [this] { FillPcxList(); });
    // Every pick decodes once: a change of the selection (the keyboard, a press on another
    // entry, the program's own picks) through itemSelectionChanged; a click that did not
    // change it (the entry already picked) through itemClicked. Each press starts afresh, so
    // a selection changed earlier by other means does not swallow the click.
    desktop::watchEvents(m_ui->list1->viewport(),
                         {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick},
                         [this] { m_pressPicked = false; });
    connect(m_ui->list1, &QListWidget::itemSelectionChanged, this, [this] {
        m_pressPicked = true;
        onSelect();
    });
    connect(m_ui->list1, &QListWidget::itemClicked, this, [this] {
        if (!m_pressPicked) onSelect();
        m_pressPicked = false;
    });
    connect(m_ui->drive1, &QComboBox::activated, this, [this](int i) {
        const QString root = m_ui->drive1->itemText(i);
        // Only a change of drive moves the folder list: its own drive again leaves it where
        // it is.
        if (m_ui->dir1->path().isEmpty() ||
            root != platform::volumeOf(m_ui->dir1->path(), driveRoots()))
            pickDrive(root);
    });
}

QStringList PCXMain::driveRoots() const {
    QStringList roots;
    for (int i = 0; i < m_ui->drive1->count(); ++i)
        roots.append(m_ui->drive1->itemText(i));
    return roots;
}

void PCXMain::showDrive() {
    m_ui->drive1->setCurrentText(platform::volumeOf(m_ui->dir1->path(), driveRoots()));
}

void PCXMain::onLoad() {
    FillPcxList();
    showPage(0);
}

void PCXMain::onActivate() {
    if (m_session.pictureViewed) return;
    try {
        m_ui->dir1->setPath(m_platform.programFolder);
    } catch (const Error&) {
        // An unreadable program folder leaves the folder list where it was.
    }
    m_ui->file1->setPattern(QStringLiteral("*.pcx"));
    m_ui->file1->setFolder(m_platform.programFolder);
    showDrive();
}

void PCXMain::onUnload() {
    m_ui->window->hide();
    m_ui.reset();
}

void PCXMain::FillPcxList() {
    const QSignalBlocker quiet(m_ui->list1); // rebuilding is not a pick
    m_ui->list1->clear();
    m_ui->list1->addItems(pcxEntries(m_ui->file1->entries()));
}

void PCXMain::showPage(int index) {
    for (int i = 0; i < 3; ++i)
        m_ui->pages[i]->setVisible(i == index);
    m_ui->pages[index]->raise();
}

void PCXMain::onSelect() {
    QListWidgetItem* item = pickedItem();
    m_selectedIndex =
        static_cast<qint16>(item ? m_ui->list1->row(item) : m_ui->list1->currentRow());
    if (!item) return;
    m_ui->progress->setRange(0, 5);
    m_ui->progress->setValue(0);
    m_ui->progress->show();
    LoadSelectedPicture();
}

void PCXMain::LoadSelectedPicture() {
    m_ui->window->setWindowTitle(QStringLiteral("Please Wait"));
    m_platform.shell.processEvents();
    if (!m_ui) return;              // the window was closed meanwhile
    m_ui->progress->setRange(0, 2); // in halves: 0, 0.5, 1
    m_ui->progress->setValue(0);
    m_selectedPath = platform::joinPath(m_ui->file1->folder(), pickedName());
    m_ui->progress->setValue(2);
    if (m_selectedPath.right(3).compare(QLatin1String("PCX"), Qt::CaseInsensitive) != 0) return;
    try {
        const Picture pic = LoadPcx(m_selectedPath, m_platform.dialogs, owner());
        m_windows.picture.setPicture(pic);
    } catch (const Error& e) {
        failLoad(m_selectedPath, e);
    }
    if (!m_ui) return;
    m_ui->progress->hide();
    m_ui->window->setWindowTitle(platform::kProgramTitle);
}

void PCXMain::failLoad(const QString& path, const Error& e) {
    // Never leave the previous file's picture standing in for this one.
    m_windows.picture.setPicture(Picture());
    if (e.number() == errc::FileNotFound) {
        m_platform.shell.beep();
        return;
    }
    m_platform.dialogs.message(
        owner(),
        {QStringLiteral("%1 cannot be shown.\n%2 (error %3)").arg(path, e.text()).arg(e.number()),
         QString(), platform::Buttons::Ok, platform::Icon::Exclamation});
}

void PCXMain::viewPcx() {
    if (m_windows.picture.holdsPicture())
        m_windows.picture.showModal();
    else
        m_platform.dialogs.message(owner(), {QStringLiteral("You Have Not Chosen A PCX!"),
                                             QStringLiteral("Chose a PCX"), platform::Buttons::Ok,
                                             platform::Icon::None});
    m_session.pictureViewed = true;
}

QString PCXMain::openFile(const QString& file) {
    const QFileInfo info(file);
    if (!info.exists()) return QStringLiteral("%1 does not exist.").arg(file);
    const QString notListed = QStringLiteral("%1 is not a PCX picture.").arg(file);
    if (!info.isFile() || pcxEntries({info.fileName()}).isEmpty()) return notListed;
    try {
        dir1()->setPath(info.absolutePath());
    } catch (const Error& e) {
        return QStringLiteral("%1 cannot be opened.\n%2 (error %3)")
            .arg(file, e.text())
            .arg(e.number());
    }
    m_session.pictureViewed = true; // the folder stays where the file is
    const QList<QListWidgetItem*> found = list1()->findItems(info.fileName(), Qt::MatchExactly);
    if (found.isEmpty()) return notListed;
    list1()->setCurrentItem(found.first()); // the pick decodes it
    // A refusal or a decode error has told the user already.
    if (m_windows.picture.holdsPicture()) viewPcx();
    return QString();
}

void PCXMain::importPcx() {
    m_copy = CopyTheBitmap(m_platform, owner(), file1().folder(), pickedName());
}

void PCXMain::deletePcx() {
    const QString name = pickedName();
    if (!deletePicture(m_platform, owner(), dir1()->path(), name) || !m_ui) return;
    if (!name.isEmpty()) {
        const QSignalBlocker quiet(m_ui->list1); // removing is not a pick
        delete m_ui->list1->takeItem(m_selectedIndex);
        m_ui->list1->clearSelection();
        m_ui->list1->setCurrentRow(-1);
    }
    m_windows.picture.setPicture(Picture());
    if (!m_ui) return;
    m_ui->list1->setFocus();
    if (m_ui->list1->count() > 0) {
        m_ui->list1->setCurrentRow(0);
        m_ui->list1->item(0)->setSelected(true);
    }
}

void PCXMain::pickDrive(const QString& root) {
    try {
        dir1()->setPath(root);
    } catch (const Error& e) {
        if (e.number() == errc::FileNotFound || e.number() == errc::DeviceUnavailable ||
            e.number() == errc::PermissionDenied) {
            // The volume cannot be read: go back to the folder list's volume without a word.
            showDrive();
            return;
        }
        m_platform.dialogs.message(owner(), {QStringLiteral("Application error."), QString(),
                                             platform::Buttons::Ok, platform::Icon::Exclamation});
    }
}

void PCXMain::chatHover() {
    const QPixmap hover(platform::joinPath(m_platform.programFolder, QStringLiteral("chat2.gif")));
    if (!hover.isNull()) desktop::setButtonPicture(m_ui->chat, hover);
}

void PCXMain::webLink(const QString& address) {
    desktop::followLink(m_ui->txtcustomers, m_platform.shell, address);
}

} // namespace glimmer::browser
