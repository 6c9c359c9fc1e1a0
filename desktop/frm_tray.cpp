#include "desktop/frm_tray.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "desktop/controls.h"
#include "desktop/keep_on_top.h"
#include "desktop/web_links.h"
#include "platform/topmost.h"
#include "platform/units.h"

namespace glimmer::desktop {

using platform::twipsRect;

struct FrmTray::Ui {
    QWidget* window = nullptr;
    QLineEdit* status = nullptr;
    QLineEdit* txtcustomers = nullptr;
    QPushButton* cancel = nullptr;
    QMenu* menu = nullptr;
    QAction* alwaysOnTop = nullptr; // mnuAlwaysOnTop, ticked as the pair's box is
};

FrmTray::FrmTray(platform::Platform& platform, platform::Form& browser,
                 std::function<void()> openHelp)
    // The pair acts on the browser, and only while it is loaded: a closed browser takes the
    // state when it is shown again.
    : OnTopForm(platform.forms, QStringLiteral("frmTray"),
                {{3000, 1800},
                 {2760, 2085},
                 true,
                 {},
                 [this] { return m_browser.isLoaded() ? m_browser.widget() : nullptr; }}),
      m_platform(platform), m_browser(browser), m_openHelp(std::move(openHelp)) {
    connect(&platform.tray, &platform::TrayIcon::clicked, this, [this] {
        if (isLoaded()) iconClicked();
    });
    connect(&platform.tray, &platform::TrayIcon::doubleClicked, this, [this] {
        if (isLoaded()) iconDoubleClicked();
    });
    connect(&platform.tray, &platform::TrayIcon::contextClicked, this, [this] {
        if (isLoaded()) iconContextClicked();
    });
    // With the last panel gone, a closed browser would leave a program no one can see or end:
    // it comes back, and closing it then ends the program.
    connect(&platform.tray, &platform::TrayIcon::availableChanged, this, [this] {
        if (isLoaded() && !m_platform.tray.available()) showBrowser();
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

QWidget* FrmTray::buildWindow() {
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
    connect(m_ui->cancel, &QPushButton::clicked, this, [this] { cancel(); });
    buildMenu();
    return w;
}

void FrmTray::buildMenu() {
    auto* m = new QMenu(QStringLiteral("menu"), m_ui->window);
    m_ui->menu = m;
    auto add = [this, m](const char* name, const char* text, std::function<void()> handler) {
        QAction* a = m->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, std::move(handler));
        return a;
    };
    add("mnuglimmer", "Open Glimmer", [this] { showBrowser(); });
    m->addSeparator();
    add("mnufragvault", "Fragvault - Home", [this] { webLink(links::kFragvaultHome); });
    add("mnufiles", "Fragvault - Files", [this] { webLink(links::kQuillonMaps); });
    add("mnupatches", "Fragvault - Help", [this] { webLink(links::kQuillonPcxHelp); });
    m->addSeparator();
    add("mnuhelp", "Help", [this] { m_openHelp(); });
    add("mnuExit", "Exit", [this] { exitProgram(); });
    m->addSeparator();
    m_ui->alwaysOnTop = add("mnuAlwaysOnTop", "Always On Top", [this] { alwaysOnTop(); });
    m_ui->alwaysOnTop->setCheckable(true);
}

void FrmTray::onLoaded() {
    // The pair's own button is the menu command's twin.
    connect(keepOnTop().cmdOnTop, &QPushButton::clicked, this, [this] { showTick(); });
    m_platform.tray.add(QIcon(art(QStringLiteral("glimmer-32.png"))), platform::kProgramTitle,
                        m_ui->menu);
    m_browser.show();
    applyOnTop(); // a browser loaded before the tray did not hear of the tick
}

void FrmTray::onActivate() {
    hide();
}

void FrmTray::onUnloaded() {
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
    keepOnTop().click();
    showTick();
}

void FrmTray::applyOnTop() {
    AlwaysOnTop(m_browser.isLoaded() ? m_browser.widget() : nullptr,
                keepOnTop().value() == 1 ? -1 : 0);
    showTick();
}

void FrmTray::showTick() {
    // Where the desktop cannot keep the browser on top, the item is greyed and never ticked.
    const bool honoured = platform::desktopKeepsOnTop();
    m_ui->alwaysOnTop->setEnabled(honoured);
    m_ui->alwaysOnTop->setChecked(honoured && keepOnTop().value() == 1);
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
