// The notification-area window, the splash window, the login dialog, and when the program
// ends.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "browser/frm_tip.h"
#include "browser/pcx_main.h"
#include "desktop/services/keep_on_top.h"
#include "desktop/tray/frm_login.h"
#include "desktop/tray/frm_splash.h"
#include "desktop/tray/frm_tray.h"
#include "edit/picture_box.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_services.h"
#include "platform/topmost.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class TrayTest : public ProgramTest {
  protected:
    TrayTest() { countFinishes(); }
    void countFinishes() {
        QObject::connect(program.get(), &glimmer::app::Program::finished, [this] { ++finished; });
    }
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

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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

TEST_F(TrayTest, ExitUnderADialogOfSaveAsClosesItAndSaveAsGoesNoFurther) {
    // The dialogs still give their scripted answers after Exit closed them: Save As itself
    // must see that its window is gone.
    const QString target = shotsDir() + QStringLiteral("/OUT.BMP");
    scripted.fileDialogs.answers = {target};
    scripted.fileDialogs.inside = [this] { choose("mnuExit"); };
    saveAsInThePictureWindow();
    expectEndedOnce();
    EXPECT_EQ(scripted.dialogs.closed, 1);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(scripted.dialogs.shown.isEmpty());
}

TEST_F(TrayTest, ExitUnderTheOverwriteQuestionLeavesTheFileAlone) {
    const QString target = put(shotsDir(), QStringLiteral("OLD.BMP"));
    const QByteArray before = bytesOf(target);
    scripted.fileDialogs.answers = {target};
    scripted.dialogs.answers = {glimmer::platform::Button::Yes};
    scripted.dialogs.inside = [this] { choose("mnuExit"); };
    saveAsInThePictureWindow();
    expectEndedOnce();
    EXPECT_EQ(scripted.dialogs.closed, 1);
    EXPECT_EQ(bytesOf(target), before);
    ASSERT_EQ(scripted.dialogs.shown.size(), 1); // the question, and no word after it
    EXPECT_EQ(scripted.dialogs.shown[0].title, QStringLiteral("Are you Sure"));
}

TEST_F(TrayTest, ExitUnderTheMessageOfAFailedSaveEndsOnce) {
    const QString target = shotsDir() + QStringLiteral("/OUT.BMP");
    scripted.fileDialogs.answers = {target};
    scripted.files.writeFault = glimmer::errc::DeviceUnavailable;
    scripted.dialogs.inside = [this] { choose("mnuExit"); };
    saveAsInThePictureWindow();
    expectEndedOnce();
    EXPECT_EQ(scripted.dialogs.closed, 1);
    EXPECT_EQ(scripted.dialogs.shown.size(), 1);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(TrayTest, TheTickTellsTheBrowsersStateWhenItComesBack) {
    tray().show();
    auto& browser = program->pcxMain();
    auto tick = [this] { return tray().item(QStringLiteral("mnuAlwaysOnTop"))->isChecked(); };
    auto onTop = [&browser] { return glimmer::platform::isTopmost(browser.widget()); };

    // Chosen while the browser is closed: it stays closed and comes back as ticked.
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

    // Chosen while it is shown, then closed and shown again: it keeps what was chosen.
    choose("mnuAlwaysOnTop");
    EXPECT_FALSE(onTop());
    browser.widget()->close();
    emit scripted.tray.doubleClicked();
    EXPECT_FALSE(onTop());
    EXPECT_FALSE(tick());
    choose("mnuAlwaysOnTop");
    browser.widget()->close();
    choose("mnuglimmer");
    EXPECT_TRUE(onTop());
    EXPECT_TRUE(tick());
    EXPECT_EQ(finished, 0);
}

// The same program over the real message boxes and Save dialog.
class RealDialogsTest : public TrayTest {
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
