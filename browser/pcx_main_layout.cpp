// The browser's controls and where they stand, in twips.
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "browser/file_list.h"
#include "browser/folder_list.h"
#include "browser/pcx_main.h"
#include "browser/pcx_main_ui.h"
#include "decode/error.h"
#include "desktop/controls.h"
#include "desktop/web_links.h"
#include "platform/units.h"
#include "platform/volumes.h"

namespace glimmer::browser {

using desktop::label;
using desktop::pictureButton;
using platform::twipsRect;

namespace {

const QString kChatNotice = QStringLiteral(
    "     ((!!!Soon!!!))         Fragvault Chat     Program we just   started and will      be out "
    "soon!!!");
const QString kUsage = QStringLiteral(
    "To use this program you have to first go on the open PCX page and open the PCX that you "
    "need and then view the PCX on the view PCX page. You can also save to BMP if you need a "
    "arch way in UnrealED. Email: glimmer@fragvault.example");
const QString kIdeas = QStringLiteral(
    "If you have an idea that could be usful for Unreal Tournament then please Email us and we "
    "will get back to you.");

QFrame* line(QWidget* parent, const QString& name, int left, int top, int width) {
    auto* l = new QFrame(parent);
    l->setObjectName(name);
    l->setGeometry(twipsRect(left, top, width, 15));
    l->setFrameShape(QFrame::HLine);
    l->setStyleSheet(QStringLiteral("color: #404040; background: #404040;"));
    return l;
}

} // namespace

QWidget* PCXMain::build() {
    m_ui = std::make_unique<Ui>();
    auto* w = new QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_ui->window = w;
    w->setObjectName(name());
    w->setWindowTitle(platform::kProgramTitle);
    w->setWindowIcon(desktop::art(QStringLiteral("glimmer.png")));
    w->setFixedSize(platform::px(6120), platform::px(3435));
    desktop::paintDark(w);
    w->setStyleSheet(QStringLiteral("QGroupBox { color: white; border: 1px solid #404040;"
                                    " margin-top: 6px; font-weight: bold; }"
                                    "QGroupBox::title { subcontrol-origin: margin; left: 6px; }"
                                    "QLabel { color: white; font-size: 7pt; }"));

    auto* banner = new QLabel(w);
    banner->setObjectName(QStringLiteral("Picture11"));
    banner->setPixmap(desktop::art(QStringLiteral("banner.png")));
    banner->setGeometry(twipsRect(75, 120, 840, 3180));
    desktop::nameImage(banner, QStringLiteral("Glimmer banner"));

    m_ui->top[0] = pictureButton(
        w, QStringLiteral("Command7"), 990, 120, 855, 405, QStringLiteral("btn_main_menu.png"),
        {QStringLiteral("Main Menu"), QStringLiteral("Shows the welcome page"),
         QStringLiteral("Main Menu")});
    m_ui->top[1] = pictureButton(
        w, QStringLiteral("Command1"), 1830, 120, 1455, 405, QStringLiteral("btn_open_pcx.png"),
        {QStringLiteral("Open PCX"), QStringLiteral("Shows the page for picking a picture"),
         QStringLiteral("Open PCX")});
    m_ui->top[2] = pictureButton(w, QStringLiteral("Command2"), 3270, 120, 1455, 405,
                                 QStringLiteral("btn_view_pcx.png"),
                                 {QStringLiteral("View PCX"),
                                  QStringLiteral("Shows the picked picture in the picture window"),
                                  QStringLiteral("View PCX")});
    m_ui->top[3] = pictureButton(
        w, QStringLiteral("Command3"), 4710, 120, 975, 405, QStringLiteral("btn_more_menu.png"),
        {QStringLiteral("More Menu"), QStringLiteral("Shows the web links and the help"),
         QStringLiteral("More Menu")});
    line(w, QStringLiteral("Line1"), 990, 540, 4695);

    buildPages();

    m_ui->status = new QStatusBar(w);
    m_ui->status->setObjectName(QStringLiteral("StatusBar2"));
    m_ui->status->setGeometry(twipsRect(0, 3180, 6120, 255));
    m_ui->status->setSizeGripEnabled(false);
    m_ui->status->setStyleSheet(QStringLiteral("background: #202020;"));
    m_ui->progress = new QProgressBar(w);
    m_ui->progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_ui->progress->setGeometry(twipsRect(4560, 3210, 1575, 225));
    m_ui->progress->setTextVisible(false);
    m_ui->progress->hide();
    m_ui->file1 = std::make_unique<FileList>(m_platform.files, QDir::currentPath());
    // Dir1 starts in File1's folder, Drive1 on its volume: the lists can then be browsed
    // however the window came up, also when no activation moves them.
    try {
        m_ui->dir1->setPath(m_ui->file1->folder());
    } catch (const Error&) {
        // An unreadable folder leaves Dir1 empty; any drive picked then moves it.
    }
    showDrive();
    connectControls();
    return w;
}

void PCXMain::buildPages() {
    m_ui->pages[0] = desktop::frame(m_ui->window, QStringLiteral("Frame1"),
                                    QStringLiteral("Welcome To Glimmer"), 1035, 585, 4605, 2445);
    m_ui->pages[1] = desktop::frame(m_ui->window, QStringLiteral("openframe"),
                                    QStringLiteral("Open Picture"), 1028, 578, 4605, 2445);
    m_ui->pages[2] = desktop::frame(m_ui->window, QStringLiteral("Editframe"),
                                    QStringLiteral("More..."), 1035, 585, 4590, 2430);
    buildWelcomePage(m_ui->pages[0]);
    buildOpenPage(m_ui->pages[1]);
    buildMorePage(m_ui->pages[2]);
}

void PCXMain::buildWelcomePage(QWidget* page) {
    label(page, QStringLiteral("Label5"), kUsage, 120, 200, 4365, 780);
    label(page, QStringLiteral("Label6"), kIdeas, 120, 990, 4365, 390)
        ->setStyleSheet(QStringLiteral("color: #c0c0c0;"));
    label(page, QStringLiteral("Label4"), QStringLiteral("Extras:"), 120, 1370, 1455, 190)
        ->setStyleSheet(QStringLiteral("font-weight: bold; color: #00ff00;"));
    m_ui->screenshots = pictureButton(
        page, QStringLiteral("Command8"), 120, 1560, 1455, 375,
        QStringLiteral("btn_screenshots.png"),
        {QStringLiteral("Screenshots"), QStringLiteral("Shows the screenshot manager")});
    m_ui->chat = pictureButton(
        page, QStringLiteral("Command9"), 120, 1920, 1455, 375, QStringLiteral("btn_chat.png"),
        {QStringLiteral("Chat"), QStringLiteral("Fragvault Chat, coming soon")});
    m_ui->chat->setMouseTracking(true);
    desktop::watchEvents(m_ui->chat, {QEvent::Enter, QEvent::MouseMove}, [this] { chatHover(); });
    label(page, QStringLiteral("Label2"), kChatNotice, 1800, 1560, 2640, 780)
        ->setStyleSheet(QStringLiteral("color: #ffa040;"));
}

void PCXMain::buildOpenPage(QWidget* page) {
    m_ui->drive1 = new QComboBox(page);
    m_ui->drive1->setObjectName(QStringLiteral("Drive1"));
    m_ui->drive1->setGeometry(twipsRect(135, 240, 2055, 315));
    m_ui->drive1->addItems(platform::mountedVolumes());
    m_ui->dir1 = new FolderList(m_platform.files, page);
    m_ui->dir1->setObjectName(QStringLiteral("Dir1"));
    m_ui->dir1->setGeometry(twipsRect(135, 600, 2055, 1665));
    m_ui->list1 = new QListWidget(page);
    m_ui->list1->setObjectName(QStringLiteral("List1"));
    m_ui->list1->setGeometry(twipsRect(2265, 240, 1590, 2010));
    m_ui->import = pictureButton(
        page, QStringLiteral("Command10"), 3960, 240, 585, 630, QStringLiteral("icon_import.png"),
        {QStringLiteral("Import"),
         QStringLiteral("Copies the picked picture into the imported folder"),
         QStringLiteral("Import PCX")});
    m_ui->remove = pictureButton(
        page, QStringLiteral("Command11"), 3960, 960, 585, 630, QStringLiteral("icon_delete.png"),
        {QStringLiteral("Delete"), QStringLiteral("Deletes the picked picture after asking"),
         QStringLiteral("Delete PCX")});
    label(page, QStringLiteral("Label1"), QStringLiteral("Picture Properties"), 3900, 1680, 690,
          450)
        ->setStyleSheet(QStringLiteral("font-size: 6pt; color: #a0a0a0;"));
    label(page, QStringLiteral("lblPicSize"), QString(), 3900, 2130, 690, 225);
    label(page, QStringLiteral("Label3"), QString(), 3900, 2355, 690, 225);
}

void PCXMain::buildMorePage(QWidget* page) {
    m_ui->fragvault = pictureButton(
        page, QStringLiteral("Command4"), 120, 360, 1815, 285, QStringLiteral("btn_fragvault.png"),
        {QStringLiteral("Fragvault"), QStringLiteral("Opens the Fragvault home page")});
    m_ui->gameSite = pictureButton(
        page, QStringLiteral("Command5"), 120, 840, 1815, 285, QStringLiteral("btn_ut_site.png"),
        {QStringLiteral("UT Official Site"), QStringLiteral("Opens the game's official site")});
    m_ui->glimmerPage = pictureButton(
        page, QStringLiteral("cmddelete"), 120, 1200, 1815, 285,
        QStringLiteral("btn_glimmer_page.png"),
        {QStringLiteral("Glimmer Page"), QStringLiteral("Opens Glimmer's page on Quillon")});
    m_ui->help = pictureButton(page, QStringLiteral("Command6"), 120, 1680, 1815, 285,
                               QStringLiteral("btn_help.png"),
                               {QStringLiteral("Help"), QStringLiteral("Shows the help window")});
    m_ui->txtcustomers = desktop::makeAddressBox(page, 1095, 1980);
    line(page, QStringLiteral("Line2"), 2100, 360, 2300);
    line(page, QStringLiteral("Line3"), 2100, 1965, 2300);
}

} // namespace glimmer::browser
