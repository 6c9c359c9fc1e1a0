// The notification-area window, the splash window, the login dialog, and when the program
// ends.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

#include "browser/frm_tip.h"
#include "browser/pcx_main.h"
#include "desktop/services/keep_on_top.h"
#include "desktop/tray/frm_login.h"
#include "desktop/tray/frm_splash.h"
#include "desktop/tray/frm_tray.h"
#include "edit/picture_box.h"
#include "platform/topmost.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class TrayTest : public ProgramTest {
  protected:
    TrayTest() {
        QObject::connect(program.get(), &glimmer::app::Program::finished, [this] { ++finished; });
    }
    glimmer::desktop::FrmTray& tray() { return program->frmTray(); }
    void choose(const char* item) { tray().item(QString::fromLatin1(item))->trigger(); }
    int finished = 0;
};

TEST_F(TrayTest, LoadingAddsOneIconAndShowsTheBrowserOnTop) {
    tray().show();
    tray().show(); // showing it again adds no second icon
    EXPECT_EQ(scripted.tray.adds, 1);
    EXPECT_EQ(scripted.tray.tooltip, QStringLiteral("Glimmer"));
    EXPECT_FALSE(tray().isVisible());
    EXPECT_TRUE(program->pcxMain().isVisible());
    EXPECT_TRUE(glimmer::platform::isTopmost(program->pcxMain().widget()));
    EXPECT_TRUE(tray().item(QStringLiteral("mnuAlwaysOnTop"))->isChecked());

    choose("mnuAlwaysOnTop");
    EXPECT_FALSE(glimmer::platform::isTopmost(program->pcxMain().widget()));
    EXPECT_FALSE(tray().item(QStringLiteral("mnuAlwaysOnTop"))->isChecked());
    choose("mnuAlwaysOnTop");
    EXPECT_TRUE(glimmer::platform::isTopmost(program->pcxMain().widget()));
    EXPECT_EQ(tray().keepOnTop().value(), 1);
}

TEST_F(TrayTest, IconEventsSetTheStatusAndOpenTheMenuOrTheBrowser) {
    tray().show();
    emit scripted.tray.contextClicked();
    EXPECT_EQ(tray().status(), QStringLiteral("Left mouse button up"));
    EXPECT_EQ(scripted.tray.popped, nullptr);
    emit scripted.tray.clicked();
    EXPECT_EQ(tray().status(), QStringLiteral("Left mouse button down"));
    EXPECT_EQ(scripted.tray.popped, tray().menu());

    program->pcxMain().widget()->close(); // the icon keeps the program running
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(program->pcxMain().isLoaded());
    emit scripted.tray.doubleClicked();
    EXPECT_EQ(tray().status(), QStringLiteral("Left mouse button double clicked"));
    EXPECT_TRUE(program->pcxMain().isVisible());
}

TEST_F(TrayTest, MenuLinksHelpAndExit) {
    tray().show();
    choose("mnufragvault");
    choose("mnufiles");
    choose("mnupatches");
    EXPECT_EQ(
        scripted.shell.opened,
        (QStringList{"https://fragvault.example/", "https://quillon.example/fragvault/maps.htm",
                     "https://quillon.example/fragvault/pcxhelp.htm"}));
    choose("mnuhelp");
    EXPECT_TRUE(program->frmTip().isVisible());
    EXPECT_FALSE(program->frmTip().isShownModally());

    choose("mnuExit");
    EXPECT_FALSE(scripted.tray.shown);
    EXPECT_TRUE(scripted.forms.loadedForms().isEmpty());
    EXPECT_EQ(finished, 1);
}

TEST_F(TrayTest, ExitAlsoEndsModalWindows) {
    put(progDir(), QStringLiteral("A.PCX"));
    tray().show();
    program->pcxMain().list1()->setCurrentRow(0);
    whileModal([this] { choose("mnuExit"); });
    program->pcxMain().viewPcx(); // returns once Exit has unloaded the picture window
    EXPECT_FALSE(program->frmPicture().isLoaded());
    EXPECT_FALSE(scripted.tray.shown);
    EXPECT_EQ(finished, 1);
}

TEST_F(TrayTest, WithoutANotificationAreaClosingTheBrowserEndsTheProgram) {
    scripted.tray.present = false;
    tray().show();
    program->pcxMain().widget()->close();
    EXPECT_EQ(finished, 1);
}

TEST_F(TrayTest, CancelRemovesTheIconAndKeepsTheBrowser) {
    tray().show();
    tray().cancel();
    EXPECT_FALSE(scripted.tray.shown);
    EXPECT_FALSE(tray().isLoaded());
    EXPECT_TRUE(program->pcxMain().isVisible());
    EXPECT_EQ(finished, 0);
}

TEST_F(TrayTest, LoginAcceptsOnlyTheEmptyPassword) {
    auto& login = program->frmLogin();
    login.show();
    EXPECT_EQ(login.keepOnTop().value(), 1);
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

TEST_F(TrayTest, CancelLeadsToTheSplashWhoseEnterLeadsToTheTray) {
    auto& login = program->frmLogin();
    login.show();
    login.cancel();
    EXPECT_FALSE(login.isVisible());
    EXPECT_TRUE(program->frmSplash().isVisible());
    program->frmSplash().link(5);
    EXPECT_EQ(scripted.shell.opened, QStringList{"https://quillon.example/fragvault/maps.htm"});
    EXPECT_TRUE(program->frmSplash().isVisible());
    program->frmSplash().enter();
    EXPECT_FALSE(program->frmSplash().isLoaded());
    EXPECT_TRUE(scripted.tray.shown);
    EXPECT_EQ(finished, 0);
}

TEST_F(TrayTest, ClosingTheLastWindowOnScreenEndsTheProgram) {
    auto& login = program->frmLogin();
    login.show();
    login.cancel();
    program->frmSplash().unload(); // X: the hidden login dialog does not keep it alive
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(login.isLoaded());
}

TEST_F(TrayTest, AFileNamedAtStartIsPickedAndShown) {
    const QString file = put(shotsDir(), QStringLiteral("SHOT.PCX"));
    bool shown = false;
    whileModal([&] {
        shown = program->frmPicture().isVisible() &&
                !program->frmPicture().picture1()->picture().isEmpty();
        program->frmPicture().unload();
    });
    program->openFile(file);
    EXPECT_TRUE(shown);
    EXPECT_EQ(program->pcxMain().pickedName(), QStringLiteral("SHOT.PCX"));
    program->pcxMain().widget()->hide();
    program->pcxMain().show(); // activation leaves the folder alone from now on
    EXPECT_EQ(program->pcxMain().list1()->count(), 1);
}

} // namespace
