#include "desktop/tray/frm_tray.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "browser/frm_tip.h"
#include "desktop/services/keep_on_top.h"
#include "desktop/services/web_links.h"
#include "desktop/services/widgets.h"
#include "platform/units.h"

namespace glimmer::desktop {

using platform::twipsRect;

struct FrmTray::Ui {
    QWidget* window = nullptr;
    QLineEdit* status = nullptr;
    QLineEdit* txtcustomers = nullptr;
    QPushButton* cancel = nullptr;
    QMenu* menu = nullptr;
    QAction* mnuglimmer = nullptr;
    QAction* mnufragvault = nullptr;
    QAction* mnufiles = nullptr;
    QAction* mnupatches = nullptr;
    QAction* mnuhelp = nullptr;
    QAction* mnuExit = nullptr;
    QAction* alwaysOnTop = nullptr; // mnuAlwaysOnTop
    std::unique_ptr<KeepOnTop> onTop;
};

FrmTray::FrmTray(platform::Platform& platform, platform::Form& browser, browser::FrmTip& help)
    : Form(platform.forms, QStringLiteral("frmTray")), m_platform(platform), m_browser(browser),
      m_help(help) {
    connect(&platform.tray, &platform::TrayIcon::clicked, this, [this] {
        if (isLoaded()) iconClicked();
    });
    connect(&platform.tray, &platform::TrayIcon::doubleClicked, this, [this] {
        if (isLoaded()) iconDoubleClicked();
    });
    connect(&platform.tray, &platform::TrayIcon::contextClicked, this, [this] {
        if (isLoaded()) iconContextClicked();
    });
    // However the browser comes back after being closed, it comes in the state the tick says.
    connect(&platform.forms, &platform::FormRuntime::formLoaded, this, [this](platform::Form* f) {
        if (f == &m_browser && m_ui) applyOnTop();
    });
}

FrmTray::~FrmTray() = default;

QString FrmTray::status() {
    load();
    return m_ui->status->text();
}

QMenu* FrmTray::menu() {
    load();
    return m_ui->menu;
}

QAction* FrmTray::item(const QString& name) {
    load();
    return m_ui->menu->findChild<QAction*>(name);
}

KeepOnTop& FrmTray::keepOnTop() {
    load();
    return *m_ui->onTop;
}

QWidget* FrmTray::build() {
    m_ui = std::make_unique<Ui>();
    auto* w = new QWidget(nullptr, Qt::Tool);
    m_ui->window = w;
    w->setObjectName(name());
    w->setWindowTitle(QStringLiteral("Tray"));
    w->setGeometry(twipsRect(1680, 15735, 4740, 3225));
    label(w, QStringLiteral("Statuslabel"), QStringLiteral("Status:"), 0, 0, 615, 255);
    m_ui->status = new QLineEdit(QStringLiteral(" "), w);
    m_ui->status->setObjectName(QStringLiteral("Status"));
    m_ui->status->setGeometry(twipsRect(0, 240, 2895, 285));
    m_ui->status->setEnabled(false);
    auto* icon = new QLabel(w);
    icon->setObjectName(QStringLiteral("Trayicon"));
    icon->setGeometry(twipsRect(120, 600, 240, 240));
    icon->setPixmap(art(QStringLiteral("glimmer-16.png")));
    nameImage(icon, QStringLiteral("Glimmer icon"));
    m_ui->cancel = new QPushButton(QStringLiteral("&Cancel"), w);
    m_ui->cancel->setObjectName(QStringLiteral("Cancel"));
    m_ui->cancel->setGeometry(twipsRect(1920, 720, 975, 375));
    m_ui->txtcustomers = makeAddressBox(w, 480, 1080);
    m_ui->onTop = std::make_unique<KeepOnTop>(
        w, QPoint(3000, 1800), QPoint(2760, 2085), [this] { return m_browser.widget(); }, true);
    // Its own click would load a closed browser just to set a flag the next load drops.
    QObject::disconnect(m_ui->onTop->cmdOnTop, &QPushButton::clicked, nullptr, nullptr);
    buildMenu();
    connectControls();
    return w;
}

void FrmTray::buildMenu() {
    auto* m = new QMenu(QStringLiteral("menu"), m_ui->window);
    m_ui->menu = m;
    auto add = [m](const char* name, const char* text) {
        QAction* a = m->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    Ui& ui = *m_ui;
    ui.mnuglimmer = add("mnuglimmer", "Open Glimmer");
    m->addSeparator();
    ui.mnufragvault = add("mnufragvault", "Fragvault - Home");
    ui.mnufiles = add("mnufiles", "Fragvault - Files");
    ui.mnupatches = add("mnupatches", "Fragvault - Help");
    m->addSeparator();
    ui.mnuhelp = add("mnuhelp", "Help");
    ui.mnuExit = add("mnuExit", "Exit");
    m->addSeparator();
    ui.alwaysOnTop = add("mnuAlwaysOnTop", "Always On Top");
    ui.alwaysOnTop->setCheckable(true);
}

void FrmTray::connectControls() {
    const Ui& ui = *m_ui;
    connect(ui.cancel, &QPushButton::clicked, this, [this] { cancel(); });
    connect(ui.onTop->cmdOnTop, &QPushButton::clicked, this, [this] { alwaysOnTop(); });
    auto on = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, handler);
    };
    on(ui.mnuglimmer, [this] { showBrowser(); });
    on(ui.mnufragvault, [this] { webLink(links::kFragvaultHome); });
    on(ui.mnufiles, [this] { webLink(links::kQuillonMaps); });
    on(ui.mnupatches, [this] { webLink(links::kQuillonPcxHelp); });
    on(ui.mnuhelp, [this] { m_help.open(false); });
    on(ui.mnuExit, [this] { exitProgram(); });
    on(ui.alwaysOnTop, [this] { alwaysOnTop(); });
}

void FrmTray::onLoad() {
    m_ui->onTop->setValue(1);
    m_platform.tray.add(QIcon(art(QStringLiteral("glimmer-32.png"))), platform::kProgramTitle);
    m_browser.show();
    applyOnTop(); // a browser loaded before the tray did not hear of the tick
}

void FrmTray::onActivate() {
    hide();
}

void FrmTray::onUnload() {
    m_ui.reset();
}

void FrmTray::showBrowser() {
    if (!m_browser.isVisible()) m_browser.show();
}

void FrmTray::iconClicked() {
    m_ui->status->setText(QStringLiteral("Left mouse button down"));
    m_platform.tray.popUp(m_ui->menu);
}

void FrmTray::iconDoubleClicked() {
    m_ui->status->setText(QStringLiteral("Left mouse button double clicked"));
    m_browser.show();
}

void FrmTray::iconContextClicked() {
    m_ui->status->setText(QStringLiteral("Left mouse button up"));
}

void FrmTray::alwaysOnTop() {
    KeepOnTop& onTop = *m_ui->onTop;
    if (onTop.value() == 2) return; // greyed does nothing
    onTop.setValue(onTop.value() == 0 ? 1 : 0);
    applyOnTop();
}

void FrmTray::applyOnTop() {
    const bool onTop = m_ui->onTop->value() == 1;
    m_ui->alwaysOnTop->setChecked(onTop);
    if (m_browser.isLoaded()) AlwaysOnTop(m_browser.widget(), onTop ? -1 : 0);
}

void FrmTray::exitProgram() {
    // Dialogs first: a window must not go while a dialog over it still runs its loop. The
    // commands that asked find their windows gone when their dialogs return.
    m_platform.dialogs.closeAll();
    for (platform::Form* f : m_platform.forms.loadedForms())
        if (f != this) f->unload();
    m_platform.tray.remove();
    unload();
}

void FrmTray::cancel() {
    m_platform.tray.remove();
    unload();
}

void FrmTray::webLink(const QString& address) {
    followLink(m_ui->txtcustomers, m_platform.shell, address);
}

} // namespace glimmer::desktop
