// The browser: its list of pictures, picking and viewing, import and delete.
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "browser/file_list.h"
#include "browser/folder_list.h"
#include "browser/frm_tip.h"
#include "browser/pcx_main.h"
#include "edit/picture_box.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;
using glimmer::platform::Button;
using glimmer::platform::Icon;

namespace {

class BrowserTest : public ProgramTest {
  protected:
    glimmer::browser::PCXMain& main() { return program->pcxMain(); }
    QStringList listed() {
        QStringList out;
        for (int i = 0; i < main().list1()->count(); ++i)
            out.append(main().list1()->item(i)->text());
        return out;
    }
    void pick(int row) { main().list1()->setCurrentRow(row); }
    void browse(const QString& folder) { main().dir1()->setPath(folder); }
    const glimmer::Picture& shown() { return program->frmPicture().picture1()->picture(); }
};

TEST_F(BrowserTest, ListsThePcxFilesOfTheProgramFolderInNameOrder) {
    for (const char* n : {"c.Pcx", "B.PCX", "a.pcx", "d.bmp", "e.pcx.txt"})
        put(progDir(), QString::fromLatin1(n));
    main().show();
    EXPECT_EQ(listed(), (QStringList{"a.pcx", "B.PCX", "c.Pcx"}));
    EXPECT_EQ(glimmer::browser::pcxEntries({"x.pcx", "y.PCXX", "zpcx"}),
              (QStringList{"x.pcx", "zpcx"}));
}

TEST_F(BrowserTest, ActivationReturnsToTheProgramFolderUntilAPictureWasViewed) {
    put(progDir(), QStringLiteral("A.PCX"));
    put(shotsDir(), QStringLiteral("S.PCX"));
    main().show();
    browse(shotsDir());
    EXPECT_EQ(listed(), QStringList{"S.PCX"});
    whileModal([this] { program->frmTip().unload(); });
    program->frmTip().showModal(); // closing it activates the browser again
    EXPECT_EQ(listed(), QStringList{"A.PCX"});

    main().viewPcx(); // nothing picked: says so, but counts as viewed
    ASSERT_EQ(scripted.dialogs.shown.size(), 1);
    EXPECT_EQ(scripted.dialogs.shown[0].text, QStringLiteral("You Have Not Chosen A PCX!"));
    EXPECT_EQ(scripted.dialogs.shown[0].title, QStringLiteral("Chose a PCX"));
    browse(shotsDir());
    whileModal([this] { program->frmTip().unload(); });
    program->frmTip().showModal();
    EXPECT_EQ(listed(), QStringList{"S.PCX"});
}

TEST_F(BrowserTest, PickingDecodesIntoThePictureWindowAndViewShowsIt) {
    put(shotsDir(), QStringLiteral("SHOT.PCX"));
    main().show();
    browse(shotsDir());
    pick(0);
    EXPECT_EQ(main().selectedPath(), shotsDir() + QStringLiteral("/SHOT.PCX"));
    EXPECT_EQ(shown().image().size(), QSize(49, 49));
    EXPECT_EQ(main().widget()->windowTitle(), QStringLiteral("Glimmer"));
    EXPECT_FALSE(main().progressBar1()->isVisible());
    EXPECT_EQ(scripted.shell.eventRuns, 1);
    EXPECT_FALSE(program->frmPicture().isVisible()); // loaded, not shown

    bool wasShown = false;
    whileModal([&] {
        wasShown = program->frmPicture().isVisible() && program->frmPicture().isShownModally();
        program->frmPicture().unload();
    });
    main().viewPcx();
    EXPECT_TRUE(wasShown);
    EXPECT_TRUE(program->session().pictureViewed);
}

TEST_F(BrowserTest, AFailedPickNeverLeavesThePreviousPicture) {
    put(shotsDir(), QStringLiteral("A.PCX"));
    put(shotsDir(), QStringLiteral("B.PCX"), QStringLiteral("malformed/cut-mid-row.pcx"));
    put(shotsDir(), QStringLiteral("C.PCX"));
    put(shotsDir(), QStringLiteral("D.PCX"), QStringLiteral("refused/16color.pcx"));
    main().show();
    browse(shotsDir());
    pick(0);
    ASSERT_FALSE(shown().isEmpty());

    pick(1); // decode error: named in a message
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_EQ(scripted.dialogs.shown.size(), 1);
    EXPECT_TRUE(scripted.dialogs.shown[0].text.contains(QStringLiteral("B.PCX")));
    EXPECT_TRUE(scripted.dialogs.shown[0].text.contains(QStringLiteral("error 9")));
    EXPECT_EQ(scripted.dialogs.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(main().widget()->windowTitle(), QStringLiteral("Glimmer"));

    pick(0);
    QFile::remove(shotsDir() + QStringLiteral("/C.PCX"));
    pick(2); // gone meanwhile: a beep, no message
    EXPECT_EQ(scripted.shell.beeps, 1);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(main().progressBar1()->isVisible());

    pick(3); // refused: the decoder's own message
    EXPECT_EQ(scripted.dialogs.shown.last().text,
              QStringLiteral("Sorry, can't load that pcx file!"));
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(BrowserTest, ImportCopiesBesideTheProgramWithoutLosingTheOldCopy) {
    put(shotsDir(), QStringLiteral("SHOT1.PCX"));
    main().show();
    main().importPcx(); // from the program folder itself
    EXPECT_EQ(
        scripted.dialogs.shown.last().text,
        QStringLiteral("You cannot copy from %1 Folder as it is a working folder.").arg(progDir()));
    EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("Cannot Copy Folder"));

    browse(shotsDir());
    const int said = scripted.dialogs.shown.size();
    main().importPcx(); // nothing picked
    EXPECT_EQ(scripted.dialogs.shown.size(), said);
    pick(0);
    main().importPcx();
    const QString copy = progDir() + QStringLiteral("/imported/SHOT1.pcx");
    EXPECT_EQ(main().copyPaths().target, copy);
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(scripted.dialogs.shown.size(), said);

    scripted.files.copyFault = glimmer::errc::PermissionDenied;
    main().importPcx();
    EXPECT_EQ(scripted.dialogs.shown.last().text,
              QStringLiteral("You cannot copy this file as it already exists"));
    scripted.files.copyFault = glimmer::errc::DeviceUnavailable; // disk full, say
    main().importPcx();
    EXPECT_TRUE(
        scripted.dialogs.shown.last().text.contains(QStringLiteral("could not be imported")));
    EXPECT_TRUE(QFile::exists(copy)); // the earlier copy survives every failure
}

TEST_F(BrowserTest, ImportingTheImportFoldersOwnCopyLeavesItAlone) {
    const QString copy = put(progDir() + QStringLiteral("/imported"), QStringLiteral("X.pcx"));
    main().show();
    browse(progDir() + QStringLiteral("/imported"));
    pick(0);
    main().importPcx();
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(QFileInfo(copy).size(), QFileInfo(testData(QStringLiteral("pcx/planet.pcx"))).size());
}

TEST_F(BrowserTest, DeleteAsksThenRemovesAndPicksTheFirstEntry) {
    for (const char* n : {"A.PCX", "B.PCX", "C.PCX"})
        put(shotsDir(), QString::fromLatin1(n));
    main().show();
    browse(shotsDir());
    pick(1);
    scripted.dialogs.answers = {Button::No};
    main().deletePcx();
    EXPECT_EQ(scripted.dialogs.shown.last().text,
              QStringLiteral("Are You Shore You Want To Delete?"));
    EXPECT_TRUE(QFile::exists(shotsDir() + QStringLiteral("/B.PCX")));

    scripted.files.removeFault = glimmer::errc::PermissionDenied;
    scripted.dialogs.answers = {Button::Yes};
    main().deletePcx();
    EXPECT_TRUE(
        scripted.dialogs.shown.last().text.contains(QStringLiteral("could not be deleted")));
    EXPECT_EQ(listed().size(), 3);

    scripted.files.removeFault = 0;
    scripted.dialogs.answers = {Button::Yes};
    main().deletePcx();
    EXPECT_FALSE(QFile::exists(shotsDir() + QStringLiteral("/B.PCX")));
    EXPECT_EQ(listed(), (QStringList{"A.PCX", "C.PCX"}));
    EXPECT_EQ(main().pickedName(), QStringLiteral("A.PCX"));
    EXPECT_EQ(main().selectedIndex(), 0);
    EXPECT_FALSE(shown().isEmpty()); // the first entry was loaded
}

// With nothing picked Delete still asks; Yes deletes nothing, empties the picture window and
// picks the first entry, as after any delete. No leaves everything as it was.
TEST_F(BrowserTest, DeleteWithNothingPickedAsksAndOnYesPicksTheFirstEntry) {
    for (const char* n : {"A.PCX", "B.PCX"})
        put(shotsDir(), QString::fromLatin1(n));
    main().show();
    browse(shotsDir());
    for (Button answer : {Button::No, Button::Yes}) {
        scripted.dialogs.answers = {answer};
        main().deletePcx();
        EXPECT_EQ(scripted.dialogs.shown.last().text,
                  QStringLiteral("Are You Shore You Want To Delete?"));
        EXPECT_EQ(listed(), (QStringList{"A.PCX", "B.PCX"}));
        EXPECT_EQ(main().pickedName(), answer == Button::Yes ? "A.PCX" : "");
        EXPECT_EQ(shown().isEmpty(), answer == Button::No);
    }
    EXPECT_EQ(QDir(shotsDir()).entryList(QDir::Files), (QStringList{"A.PCX", "B.PCX"}));
}

TEST_F(BrowserTest, DeletingAFileAlreadyGoneDropsItsEntryWithoutAWord) {
    for (const char* n : {"A.PCX", "B.PCX", "C.PCX"})
        put(shotsDir(), QString::fromLatin1(n));
    main().show();
    browse(shotsDir());
    pick(1);
    ASSERT_TRUE(QFile::remove(shotsDir() + QStringLiteral("/B.PCX"))); // behind the program's back
    const qsizetype before = scripted.dialogs.shown.size();
    scripted.dialogs.answers = {Button::Yes};
    main().deletePcx();
    ASSERT_EQ(scripted.dialogs.shown.size(), before + 1); // the question, and nothing after it
    EXPECT_EQ(scripted.dialogs.shown.last().text,
              QStringLiteral("Are You Shore You Want To Delete?"));
    EXPECT_EQ(listed(), (QStringList{"A.PCX", "C.PCX"}));
    EXPECT_EQ(main().pickedName(), QStringLiteral("A.PCX"));
    EXPECT_TRUE(QFile::exists(shotsDir() + QStringLiteral("/C.PCX")));
}

TEST_F(BrowserTest, LinksAndPagesAndClosing) {
    main().show();
    main().button(QStringLiteral("Command4"))->click();
    main().button(QStringLiteral("Command5"))->click();
    main().button(QStringLiteral("cmddelete"))->click();
    EXPECT_EQ(scripted.shell.opened,
              (QStringList{"https://fragvault.example/", "https://www.unrealtournament.com/",
                           "https://quillon.example/glimmer.htm"}));
    main().button(QStringLiteral("Command3"))->click();
    EXPECT_TRUE(main().page(2)->isVisible());
    EXPECT_FALSE(main().page(0)->isVisible());

    // A picture window loaded by a pick but never shown goes with the browser.
    (void)program->frmPicture().picture1();
    bool finished = false;
    QObject::connect(program.get(), &glimmer::app::Program::finished, [&] { finished = true; });
    main().widget()->close();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(program->frmPicture().isLoaded());
    EXPECT_FALSE(main().isLoaded());
}

} // namespace
