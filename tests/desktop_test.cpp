// The desktop windows: help, screenshot manager, the keep-on-top pair, the notification-area,
// splash and login windows, when the program ends, what a person sees and a screen reader
// says of the windows' pictures, Exit under the real dialogs, and the labels the icon's
// menu takes over D-Bus.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "browser/frm_tip.h"
#include "browser/pcx_main.h"
#include "browser/screenshot.h"
#include "desktop/frm_login.h"
#include "desktop/frm_splash.h"
#include "desktop/frm_tray.h"
#include "desktop/keep_on_top.h"
#include "platform/dbus_menu.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_services.h"
#include "platform/session_platform.h"
#include "platform/topmost.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class DesktopTest : public ProgramTest {
  protected:
    DesktopTest() { countFinishes(); }
    void countFinishes() {
        QObject::connect(program.get(), &glimmer::app::Program::finished, [this] { ++finished; });
    }
    glimmer::browser::FrmTip& tip() { return program->frmTip(); }
    glimmer::desktop::FrmTray& tray() { return program->frmTray(); }
    void choose(const char* item) { tray().item(QString::fromLatin1(item))->trigger(); }
    // With the icon present, shows a picked picture in its window and chooses Save As there.
    void saveAsInThePictureWindow() {
        put(progDir(), QStringLiteral("A.PCX"));
        tray().show();
        program->pcxMain().list1()->setCurrentRow(0);
        whileModal(
            [this] { program->frmPicture().action(QStringLiteral("mnuFileSave"))->trigger(); });
        program->pcxMain().viewPcx(); // returns once Exit has unloaded the picture window
    }

    // What Exit under a dialog must leave: nothing loaded, the icon gone, one end of the run,
    // and no widget deleted twice once the deferred deletions run.
    void expectEndedOnce() {
        EXPECT_FALSE(program->frmPicture().isLoaded());
        EXPECT_TRUE(scripted.forms.loadedForms().isEmpty());
        EXPECT_FALSE(scripted.tray.shown);
        EXPECT_EQ(finished, 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int finished = 0;
};

TEST_F(DesktopTest, TheHelpWindowOpensOnceAndOnTop) {
    tip().open(false);
    tip().open(true);
    EXPECT_TRUE(tip().isVisible());
    EXPECT_FALSE(tip().isShownModally());
    EXPECT_EQ(tip().keepOnTop().value(), 1);
}

// The pointer over a heading lights it and puts out the other; over the background, both.
TEST_F(DesktopTest, TheHelpWindowsHeadingsLightUnderThePointer) {
    tip().open(false);
    QWidget* window = tip().widget();
    const auto lit = [this] {
        return std::pair{tip().heading(0)->palette().color(QPalette::WindowText) == Qt::red,
                         tip().heading(1)->palette().color(QPalette::WindowText) == Qt::red};
    };
    const auto over = [&](QWidget* w) { QTest::mouseMove(w, w->rect().center()); };
    over(tip().heading(1));
    EXPECT_EQ(lit(), std::pair(false, true));
    over(tip().heading(0));
    EXPECT_EQ(lit(), std::pair(true, false));
    QTest::mouseMove(window, QPoint(2, 2));
    EXPECT_EQ(lit(), std::pair(false, false));
}

TEST_F(DesktopTest, ScreenshotManagerButtonsDoNothing) {
    auto& shot = program->screenshot();
    bool stillThere = true;
    whileModal([&] {
        for (QPushButton* b : shot.widget()->findChildren<QPushButton*>())
            b->click();
        for (QAction* a : shot.widget()->findChildren<QAction*>())
            a->trigger();
        stillThere = shot.isVisible();
        shot.widget()->close(); // only the frame closes it
    });
    shot.showModal();
    EXPECT_TRUE(stillThere);
    EXPECT_FALSE(shot.isLoaded());
    EXPECT_TRUE(scripted.dialogs.shown.isEmpty());
}

TEST_F(DesktopTest, KeepOnTopTogglesOnTheBoxValue) {
    QWidget window;
    const QRect before(10, 20, 200, 100);
    window.setGeometry(before);
    window.show();
    glimmer::desktop::KeepOnTop pair(&window, {0, 0}, {0, 400}, [&] { return &window; });
    pair.click();
    EXPECT_TRUE(glimmer::platform::isTopmost(&window));
    EXPECT_EQ(pair.value(), 1);
    pair.click();
    EXPECT_FALSE(glimmer::platform::isTopmost(&window));
    EXPECT_EQ(pair.value(), 0);
    pair.setValue(2); // greyed: nothing happens
    pair.click();
    EXPECT_EQ(pair.value(), 2);
    EXPECT_FALSE(glimmer::platform::isTopmost(&window));
    EXPECT_TRUE(window.isVisible());
}

// A screen reader sees what a picture says: every button and every picture has a name.
TEST_F(DesktopTest, PicturesAndButtonsHaveAccessibleNames) {
    const QList<glimmer::platform::Form*> forms = {
        &program->pcxMain(),    &program->frmPicture(), &tip(),
        &program->screenshot(), &program->frmTray(),    &program->frmSplash(),
        &program->frmLogin()};
    QStringList names;
    for (glimmer::platform::Form* form : forms) {
        QList<QWidget*> shown;
        for (auto* b : form->widget()->findChildren<QPushButton*>())
            shown.append(b);
        for (auto* l : form->widget()->findChildren<QLabel*>())
            if (!l->pixmap().isNull()) shown.append(l);
        for (QWidget* w : shown) {
            const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            EXPECT_FALSE(name.trimmed().isEmpty()) << w->objectName().toStdString();
            names.append(name);
        }
    }
    for (const char* lettering : {"Open PCX", "View PCX", "Import", "Delete", "Main Menu", "Help"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(lettering))) << lettering;
    // A link's description names the site of the page it opens.
    const std::pair<const char*, const char*> sites[] = {{"fragvault.example", "Fragvault"},
                                                         {"quillon.example", "Quillon"},
                                                         {"unrealtournament.com", "official"}};
    for (glimmer::platform::Form* form : forms)
        for (auto* b : form->widget()->findChildren<QPushButton*>()) {
            const QString said = b->accessibleDescription();
            if (!said.startsWith(QStringLiteral("Opens "))) continue;
            scripted.shell.opened.clear();
            b->click();
            ASSERT_EQ(scripted.shell.opened.size(), 1) << said.toStdString();
            for (const auto& [host, site] : sites)
                EXPECT_EQ(scripted.shell.opened[0].contains(QString::fromLatin1(host)),
                          said.contains(QString::fromLatin1(site)))
                    << said.toStdString() << " opens " << scripted.shell.opened[0].toStdString();
        }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(
                  program->pcxMain().widget()->findChild<QWidget*>(QStringLiteral("Command10")))
                  ->text(QAccessible::Description),
              QStringLiteral("Copies the picked picture into the imported folder"));
}

// What a person sees: the login dialog's labels show their whole lettering, and no button of
// the splash window covers the lettering of the logo beneath it.
TEST_F(DesktopTest, LetteringIsNeitherCutOffNorCovered) {
    for (auto* l : program->frmLogin().widget()->findChildren<QLabel*>()) {
        if (!l->objectName().startsWith(QStringLiteral("lblLabels"))) continue;
        l->ensurePolished();
        const QString text = QString(l->text()).remove(QLatin1Char('&'));
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(text), l->contentsRect().width())
            << text.toStdString();
    }
    QWidget* splash = program->frmSplash().widget();
    auto* logo = splash->findChild<QLabel*>(QStringLiteral("imgLogo"));
    ASSERT_NE(logo, nullptr);
    const QImage shown = logo->pixmap().toImage().scaled(logo->size()); // stretched, as drawn
    for (const char* name : {"Command1", "Command6"}) {
        auto* b = splash->findChild<QPushButton*>(QString::fromLatin1(name));
        const QRect over =
            QRect(logo->mapFrom(b->parentWidget(), b->pos()), b->size()) & logo->rect();
        int lettering = 0; // light pixels: the logo's figure is dark and orange
        for (int y = over.top(); y <= over.bottom(); ++y)
            for (int x = over.left(); x <= over.right(); ++x)
                lettering += qGray(shown.pixel(x, y)) >= 160;
        EXPECT_EQ(lettering, 0) << name;
    }
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(DesktopTest, LoadingAddsOneIconAndShowsTheBrowser) {
    tray().show();
    tray().show(); // showing it again adds no second icon
    EXPECT_EQ(scripted.tray.adds, 1);
    EXPECT_EQ(scripted.tray.tooltip, QStringLiteral("Glimmer"));
    EXPECT_FALSE(tray().isVisible());
    EXPECT_TRUE(program->pcxMain().isVisible());
}

// The icon's menu: its links, the help window modeless, and Exit, which ends everything, a
// modal window included.
TEST_F(DesktopTest, MenuLinksHelpAndExit) {
    put(progDir(), QStringLiteral("A.PCX"));
    tray().show();
    for (const char* item : {"mnufragvault", "mnufiles", "mnupatches", "mnuhelp"})
        choose(item);
    EXPECT_EQ(
        scripted.shell.opened,
        (QStringList{"https://fragvault.example/", "https://quillon.example/fragvault/maps.htm",
                     "https://quillon.example/fragvault/pcxhelp.htm"}));
    EXPECT_TRUE(tip().isVisible());
    EXPECT_FALSE(tip().isShownModally());
    program->pcxMain().list1()->setCurrentRow(0);
    whileModal([this] { choose("mnuExit"); });
    program->pcxMain().viewPcx(); // returns once Exit has unloaded the picture window
    EXPECT_FALSE(scripted.tray.shown);
    EXPECT_TRUE(scripted.forms.loadedForms().isEmpty());
    EXPECT_EQ(finished, 1);
}

TEST_F(DesktopTest, TheTickTellsTheBrowsersStateWhenItComesBack) {
    tray().show();
    auto& browser = program->pcxMain();
    auto tick = [this] { return tray().item(QStringLiteral("mnuAlwaysOnTop"))->isChecked(); };
    auto onTop = [&browser] { return glimmer::platform::isTopmost(browser.widget()); };

    // Chosen while the browser is closed: it stays closed and comes back as the tick says.
    browser.widget()->close();
    choose("mnuAlwaysOnTop");
    EXPECT_FALSE(tick());
    EXPECT_FALSE(browser.isLoaded());
    emit scripted.tray.doubleClicked();
    ASSERT_TRUE(browser.isVisible());
    EXPECT_FALSE(onTop());
    browser.widget()->close();
    tray().keepOnTop().cmdOnTop->click(); // the tray window's own button does the same
    EXPECT_TRUE(tick());
    EXPECT_FALSE(browser.isLoaded());
    choose("mnuglimmer");
    ASSERT_TRUE(browser.isVisible());
    EXPECT_TRUE(onTop());

    EXPECT_EQ(finished, 0);
}

// The same program over the real message boxes and Save dialog.
class RealDialogsTest : public DesktopTest {
  protected:
    RealDialogsTest() {
        program.reset();
        platform = std::make_unique<glimmer::platform::Platform>(glimmer::platform::Platform{
            realDialogs, realFileDialogs, scripted.shell, scripted.clipboard, scripted.printer,
            scripted.files, scripted.forms, scripted.tray, scripted.folder, scripted.exeName});
        program = std::make_unique<glimmer::app::Program>(*platform);
        countFinishes();
    }
    ~RealDialogsTest() override { program.reset(); }

    // Hands each dialog that comes up to the next of `steps`, polling within a bound; a
    // dialog beyond them is counted and rejected, and so is one left up at the bound.
    void onDialogs(QList<std::function<void(QDialog*)>> steps) {
        delete m_poll.data();
        auto* poll = new QTimer(m_modalContext.get());
        m_poll = poll;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, steps, ticks = 0]() mutable {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible() && dialog != m_lastDialog) {
                m_lastDialog = dialog;
                if (steps.isEmpty()) {
                    ++unexpectedDialogs;
                    dialog->reject();
                } else {
                    steps.takeFirst()(dialog);
                }
            }
            if (++ticks > kModalBound / 10) {
                ADD_FAILURE() << "a dialog step did not come within the bound";
                realDialogs.closeAll();
                poll->stop();
            }
        });
        poll->start();
    }

    glimmer::platform::QtDialogs realDialogs;
    glimmer::platform::QtFileDialogs realFileDialogs;
    QPointer<QTimer> m_poll;
    QPointer<QDialog> m_lastDialog;
    int unexpectedDialogs = 0;
};

TEST_F(RealDialogsTest, AMessageBoxClosedFromOutsideAnswersAsCancelled) {
    using glimmer::platform::Buttons;
    for (Buttons buttons : {Buttons::YesNo, Buttons::YesNoCancel, Buttons::Ok}) {
        onDialogs({[this](QDialog*) { realDialogs.closeAll(); }});
        EXPECT_EQ(realDialogs.message(nullptr, {QStringLiteral("Sure?"), QString(), buttons,
                                                glimmer::platform::Icon::Question}),
                  glimmer::platform::cancelAnswer(buttons));
    }
    EXPECT_EQ(unexpectedDialogs, 0);
}

TEST_F(RealDialogsTest, ExitClosesTheRealSaveDialog) {
    QPointer<QDialog> saveDialog;
    bool seen = false;
    onDialogs({[&](QDialog* d) {
        seen = true;
        saveDialog = d;
        EXPECT_NE(qobject_cast<QFileDialog*>(d), nullptr);
        choose("mnuExit");
    }});
    saveAsInThePictureWindow();
    ASSERT_TRUE(seen) << "the Save dialog never came up";
    EXPECT_TRUE(saveDialog.isNull() || !saveDialog->isVisible());
    expectEndedOnce();
    EXPECT_TRUE(saveDialog.isNull()); // gone with its call, deleted once
    EXPECT_EQ(unexpectedDialogs, 0);
    EXPECT_TRUE(QDir(shotsDir()).isEmpty());
}

TEST_F(RealDialogsTest, ExitClosesTheRealOverwriteQuestionAndNothingIsWritten) {
    const QString target = put(shotsDir(), QStringLiteral("OLD.BMP"));
    const QByteArray before = bytesOf(target);
    bool asked = false;
    onDialogs({[&](QDialog* d) {
                   auto* save = qobject_cast<QFileDialog*>(d);
                   ASSERT_NE(save, nullptr);
                   save->selectFile(target);
                   static_cast<QDialog*>(save)->accept(); // as its Save button does
               },
               [&](QDialog* d) {
                   asked = qobject_cast<QMessageBox*>(d) != nullptr;
                   choose("mnuExit");
               }});
    saveAsInThePictureWindow();
    ASSERT_TRUE(asked) << "the overwrite question never came up";
    expectEndedOnce();
    EXPECT_EQ(unexpectedDialogs, 0);
    EXPECT_EQ(bytesOf(target), before);
}

TEST_F(DesktopTest, WithoutANotificationAreaClosingTheBrowserEndsTheProgram) {
    scripted.tray.present = false;
    tray().show();
    program->pcxMain().widget()->close();
    EXPECT_EQ(finished, 1);
}

// The panel gone while the browser is shown: nothing to bring back, but closing it now ends
// the program. (The browser closed before comes back: tests/e2e/e2e-wayland.sh, with waybar.)
TEST_F(DesktopTest, ThePanelGoneWhileTheBrowserIsShownLetsClosingEndTheProgram) {
    tray().show();
    scripted.tray.present = false;
    emit scripted.tray.availableChanged();
    EXPECT_TRUE(program->pcxMain().isVisible());
    EXPECT_EQ(finished, 0);
    program->pcxMain().widget()->close();
    EXPECT_EQ(finished, 1);
}

// dbusmenu marks the access key with "_": Qt's "&&" is a literal "&", a literal "_" doubles.
TEST(DBusMenuLabel, QtAccessKeysBecomeDbusmenus) {
    const std::pair<const char*, const char*> cases[] = {
        {"Exit", "Exit"},
        {"&Open", "_Open"},
        {"Fish && Chips", "Fish & Chips"},
        {"snake_case", "snake__case"},
        {"&a&b", "_ab"},
        {"&&&x", "&_x"},
        {"end&", "end"},
    };
    for (const auto& [qt, dbusmenu] : cases)
        EXPECT_EQ(glimmer::platform::dbusMenuLabel(QString::fromLatin1(qt)),
                  QString::fromLatin1(dbusmenu))
            << qt;
}

TEST_F(DesktopTest, CancelRemovesTheIconAndKeepsTheBrowser) {
    tray().show();
    tray().cancel();
    EXPECT_FALSE(scripted.tray.shown);
    EXPECT_FALSE(tray().isLoaded());
    EXPECT_TRUE(program->pcxMain().isVisible());
    EXPECT_EQ(finished, 0);
}

TEST_F(DesktopTest, LoginAcceptsOnlyTheEmptyPassword) {
    auto& login = program->frmLogin();
    login.show();
    login.txtPassword()->setText(QStringLiteral(" "));
    login.ok();
    EXPECT_EQ(scripted.dialogs.shown.last().text, QStringLiteral("Invalid Password, try again!"));
    EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("Login"));
    EXPECT_EQ(login.txtPassword()->selectedText(), QStringLiteral(" "));
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(login.loginSucceeded());

    login.txtUserName()->setText(QStringLiteral("anyone"));
    login.txtPassword()->clear();
    login.ok();
    EXPECT_TRUE(login.loginSucceeded());
    EXPECT_TRUE(login.isLoaded());
    EXPECT_FALSE(login.isVisible());
    EXPECT_TRUE(scripted.tray.shown);
    EXPECT_TRUE(program->pcxMain().isVisible());
    login.ok(); // once more: still one icon
    EXPECT_EQ(scripted.tray.adds, 1);
}

TEST_F(DesktopTest, TheSplashWindowsEnterLeadsToTheTray) {
    program->frmLogin().show();
    program->frmLogin().cancel();
    program->frmSplash().enter();
    EXPECT_FALSE(program->frmSplash().isLoaded());
    EXPECT_TRUE(scripted.tray.shown);
    EXPECT_EQ(finished, 0);
}

} // namespace

// XWayland where the window manager keeps X11 windows on top (GNOME, KDE), and never where
// there is no X display or the user chose.
TEST(SessionPlatform, XWaylandOnlyWhereItKeepsWindowsOnTop) {
    struct Case {
        const char* display;
        const char* wayland;
        const char* desktop;
        const char* chosen; // QT_QPA_PLATFORM, or null
        const char* want;
    } cases[] = {
        {":0", "wayland-0", "GNOME", nullptr, "xcb;wayland"},
        {":0", "wayland-0", "ubuntu:GNOME", nullptr, "xcb;wayland"},
        {":0", "wayland-0", "KDE", nullptr, "xcb;wayland"},
        {":0", "wayland-0", "sway", nullptr, ""},
        {":0", "wayland-0", "GNOME", "wayland", ""},
        {"", "wayland-0", "GNOME", nullptr, ""},
        {":0", "", "GNOME", nullptr, ""},
    };
    for (const Case& c : cases) {
        QProcessEnvironment env;
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromLatin1(c.wayland));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QString::fromLatin1(c.desktop));
        if (c.chosen) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(c.chosen));
        EXPECT_EQ(glimmer::platform::sessionPlatform(env), QByteArray(c.want))
            << c.display << " " << c.wayland << " " << c.desktop;
    }
}
