// The browser: its list of pictures and the drives, picking (with the pointer and the keys)
// and viewing, import and delete.
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "browser/file_list.h"
#include "browser/folder_list.h"
#include "browser/frm_tip.h"
#include "browser/import_delete.h"
#include "browser/pcx_main.h"
#include "edit/picture_box.h"
#include "platform/volumes.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;
using glimmer::platform::Button;
using glimmer::platform::Icon;

namespace {

class BrowserTest : public ProgramTest {
  protected:
    glimmer::browser::PCXMain& main() { return program->pcxMain(); }
    QListWidget* list() { return main().list1(); }
    QStringList listed() {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text());
        return out;
    }
    void pick(int row) { list()->setCurrentRow(row); }
    void browse(const QString& folder) { main().dir1()->setPath(folder); }
    const glimmer::Picture& shown() { return program->frmPicture().picture1()->picture(); }

    // The browser on screen at its Open PCX page, so the pointer and the keys reach it.
    void showList() {
        main().show();
        main().showPage(1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main().widget()));
    }
    void click(int row) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(list()->item(row)).center());
    }
    // Each decode of a broken file tells the user once, naming it: a count of decodes.
    QStringList decoded() const {
        QStringList names;
        for (const QString& text : said())
            if (text.contains(QLatin1String("cannot be shown")))
                names.append(text.section('\n', 0, 0).section('/', -1).section(' ', 0, 0));
        return names;
    }
    void putBroken(const QString& folder, const QString& name) {
        put(folder, name, QStringLiteral("malformed/cut-mid-row.pcx"));
    }
};

TEST_F(BrowserTest, ListsThePcxFilesOfTheProgramFolderUntilAPictureWasViewed) {
    for (const char* n : {"c.Pcx", "B.PCX", "a.pcx", "d.bmp", "e.pcx.txt"})
        put(progDir(), QString::fromLatin1(n));
    put(shotsDir(), QStringLiteral("S.PCX"));
    main().show();
    EXPECT_EQ(listed(), (QStringList{"a.pcx", "B.PCX", "c.Pcx"}));
    EXPECT_EQ(glimmer::browser::pcxEntries({"x.pcx", "y.PCXX", "zpcx"}),
              (QStringList{"x.pcx", "zpcx"}));
    for (bool viewed : {false, true}) {
        browse(shotsDir());
        whileModal([this] { program->frmTip().unload(); });
        program->frmTip().showModal(); // closing it activates the browser again
        const QStringList home{"a.pcx", "B.PCX", "c.Pcx"};
        EXPECT_EQ(listed(), viewed ? QStringList{"S.PCX"} : home);
        main().viewPcx(); // nothing picked: says so, but counts as viewed
    }
    EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("Chose a PCX"));
}

TEST_F(BrowserTest, AFailedPickSaysWhyAndNeverLeavesThePreviousPicture) {
    put(shotsDir(), QStringLiteral("A.PCX"));
    putBroken(shotsDir(), QStringLiteral("B.PCX"));
    put(shotsDir(), QStringLiteral("C.PCX"));
    put(shotsDir(), QStringLiteral("D.PCX"), QStringLiteral("kinds/kde-16color.pcx"));
    main().show();
    browse(shotsDir());
    for (int row : {1, 2, 3}) {
        pick(0); // decoded into the picture window, loaded and not shown
        ASSERT_FALSE(shown().isEmpty());
        EXPECT_EQ(main().selectedPath(), shotsDir() + QStringLiteral("/A.PCX"));
        EXPECT_FALSE(program->frmPicture().isVisible());
        if (row == 2) QFile::remove(shotsDir() + QStringLiteral("/C.PCX")); // gone meanwhile
        pick(row);
        EXPECT_TRUE(shown().isEmpty()) << row;
        EXPECT_EQ(main().widget()->windowTitle(), QStringLiteral("Glimmer")) << row;
        EXPECT_FALSE(main().progressBar1()->isVisible()) << row;
    }
    // The decode error is named in a box, the missing file only beeps, the refusal is the
    // decoder's own.
    ASSERT_EQ(said().size(), 2);
    EXPECT_EQ(said()[0].section('\n', 0, 0),
              QStringLiteral("%1/B.PCX cannot be shown.").arg(shotsDir()));
    EXPECT_TRUE(said()[0].endsWith(QStringLiteral("(error 9)")));
    EXPECT_EQ(scripted.dialogs.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(scripted.dialogs.owners[0], main().widget());
    EXPECT_EQ(scripted.shell.beeps, 1);
    EXPECT_EQ(scripted.shell.eventRuns, 6); // the caption is painted before each decode
}

TEST_F(BrowserTest, EveryClickAndEveryKeyboardMoveDecodesOnceAndShowsTheFileAsItIsNow) {
    for (const char* n : {"A.PCX", "B.PCX", "C.PCX"})
        putBroken(progDir(), QString::fromLatin1(n));
    showList();
    click(0);
    click(0); // the entry already picked
    QTest::keyClick(list(), Qt::Key_Down);
    click(1); // the entry the keys moved onto
    click(2);
    QTest::keyClick(list(), Qt::Key_Down); // at the end: no move, no pick
    EXPECT_EQ(decoded(), (QStringList{"A.PCX", "A.PCX", "B.PCX", "B.PCX", "C.PCX"}));
    put(progDir(), QStringLiteral("C.PCX"), QStringLiteral("pcx/input.pcx"));
    click(2);
    EXPECT_EQ(shown().image().size(), QSize(70, 46));
}

TEST_F(BrowserTest, TheEntryPickedAfterADeleteOrAtStartDecodesAgainWhenClicked) {
    for (const char* n : {"A.PCX", "B.PCX"})
        putBroken(progDir(), QString::fromLatin1(n));
    showList();
    click(1);
    scripted.dialogs.answers = {Button::Yes};
    QTest::mouseClick(main().button(QStringLiteral("Command11")), Qt::LeftButton);
    ASSERT_EQ(list()->count(), 1); // B is gone and A picked in its stead
    click(0);
    EXPECT_EQ(decoded(), (QStringList{"B.PCX", "A.PCX", "A.PCX"}));

    scripted.dialogs.shown.clear();
    putBroken(shotsDir(), QStringLiteral("S.PCX"));
    program->openFile(shotsDir() + QStringLiteral("/S.PCX"));
    click(0);
    EXPECT_EQ(decoded(), (QStringList{"S.PCX", "S.PCX"}));
}

TEST_F(BrowserTest, ImportCopiesBesideTheProgramAndNeverOntoItself) {
    const QString imported = progDir() + QStringLiteral("/imported");
    for (const char* n : {"SHOT1.PCX", "b.Pcx"})
        put(shotsDir(), QString::fromLatin1(n));
    const QString own = put(imported, QStringLiteral("X.pcx"));
    main().show();
    main().importPcx(); // from the program folder itself
    EXPECT_EQ(said(), QStringList{QStringLiteral("You cannot copy from %1 Folder as it is a "
                                                 "working folder.")
                                      .arg(progDir())});
    EXPECT_EQ(scripted.dialogs.shown[0].title, QStringLiteral("Cannot Copy Folder"));
    browse(shotsDir());
    main().importPcx();         // nothing picked: nothing said
    for (int row : {0, 1, 1}) { // the second time over the first copy
        pick(row);
        main().importPcx();
        EXPECT_EQ(main().copyPaths().source, shotsDir() + '/' + list()->item(row)->text());
    }
    EXPECT_EQ(QDir(imported).entryList(QDir::Files), (QStringList{"b.pcx", "SHOT1.pcx", "X.pcx"}));
    EXPECT_EQ(glimmer::browser::importName(QStringLiteral("a.pcx")), QStringLiteral("a.pcx"));
    browse(imported);
    pick(0);
    main().importPcx(); // the import folder's own copy onto itself: left alone
    EXPECT_EQ(QFileInfo(own).size(), QFileInfo(testData(QStringLiteral("pcx/planet.pcx"))).size());
    EXPECT_EQ(said().size(), 2);
    QDir(imported).removeRecursively();
    browse(shotsDir());
    pick(0);
    main().importPcx();
    EXPECT_EQ(said().last(), QStringLiteral("There is no import folder %1.").arg(imported));
}

// Delete asks first; on Yes the file and its entry go and the first entry is picked and
// loaded; with nothing picked Yes deletes nothing but picks the first entry all the same; a
// file gone already just loses its entry.
TEST_F(BrowserTest, DeleteAsksThenRemovesAndPicksTheFirstEntry) {
    for (const char* n : {"A.PCX", "B.PCX", "C.PCX", "D.PCX"})
        put(shotsDir(), QString::fromLatin1(n));
    main().show();
    browse(shotsDir());
    const struct {
        int picked; // -1: nothing
        Button answer;
        bool goneBefore;
        QStringList left;
        const char* pickedAfter;
    } steps[] = {{-1, Button::No, false, {"A.PCX", "B.PCX", "C.PCX", "D.PCX"}, ""},
                 {-1, Button::Yes, false, {"A.PCX", "B.PCX", "C.PCX", "D.PCX"}, "A.PCX"},
                 {1, Button::No, false, {"A.PCX", "B.PCX", "C.PCX", "D.PCX"}, "B.PCX"},
                 {1, Button::Yes, false, {"A.PCX", "C.PCX", "D.PCX"}, "A.PCX"},
                 {2, Button::Yes, true, {"A.PCX", "C.PCX"}, "A.PCX"}};
    for (const auto& s : steps) {
        list()->clearSelection();
        list()->setCurrentRow(-1);
        if (s.picked >= 0) pick(s.picked);
        if (s.goneBefore) QFile::remove(shotsDir() + '/' + list()->item(s.picked)->text());
        scripted.dialogs.answers = {s.answer};
        const qsizetype before = said().size();
        main().deletePcx();
        ASSERT_EQ(said().size(), before + 1); // the question, and nothing after it
        EXPECT_EQ(said().last(), QStringLiteral("Are You Shore You Want To Delete?"));
        EXPECT_EQ(listed(), s.left);
        EXPECT_EQ(QDir(shotsDir()).entryList(QDir::Files), s.left);
        EXPECT_EQ(main().pickedName(), QString::fromLatin1(s.pickedAfter));
        EXPECT_EQ(shown().isEmpty(), s.answer == Button::No && s.picked < 0);
    }
}

TEST_F(BrowserTest, OnlyAChangeOfDriveMovesTheFolderList) {
    const QList<glimmer::platform::Mount> table{
        {"/", "overlay"}, // a container's root is still the root
        {"/proc", "proc"},
        {"/sys/fs/cgroup", "cgroup2"},
        {"/dev/shm", "tmpfs"},
        {"/run/user/1000", "tmpfs"},
        {"/run/media", "tmpfs"},
        {"/srv/auto", "autofs"},
        {"/run/media/ann/USB STICK", "vfat"},
        {"/media/cdrom0", "iso9660"},
        {"/snap/core22/1122", "squashfs"},
        {"/var/lib/docker/overlay2/9f3c/merged", "overlay"},
        {"/home", "ext4"},
        {"/home", "ext4"},   // mounted twice: listed once
        {"/runner", "ext4"}, // a sibling of /run, not inside it
    };
    EXPECT_EQ(glimmer::platform::userVolumes(table),
              (QStringList{"/", "/home", "/media/cdrom0", "/run/media/ann/USB STICK", "/runner"}));

    showList();
    QComboBox* drives = main().drive1();
    const QString inside = progDir() + QStringLiteral("/imported");
    browse(inside);
    int activations = 0;
    QObject::connect(drives, &QComboBox::activated, [&] { ++activations; });
    // Opens the drive list with the keys and chooses the entry it opens on, the current one.
    QTest::keyClick(drives, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(drives->view()->isVisible());
    QTest::keyClick(drives->view(), Qt::Key_Return);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(main().dir1()->path(), inside);

    // Two folders of this test stand in for two further drives.
    drives->clear();
    drives->addItems({QStringLiteral("/"), progDir(), shotsDir()});
    browse(inside); // the folder list shows its drive in the list
    EXPECT_EQ(drives->currentText(), progDir());
    QTest::keyClick(drives, Qt::Key_Down);
    EXPECT_EQ(main().dir1()->path(), shotsDir());
    QTest::keyClick(drives, Qt::Key_Up);
    EXPECT_EQ(main().dir1()->path(), progDir());
}

TEST_F(BrowserTest, ClosingLetsAPictureWindowNeverShownGoToo) {
    main().show();
    (void)program->frmPicture().picture1(); // loaded by a pick, never shown
    bool finished = false;
    QObject::connect(program.get(), &glimmer::app::Program::finished, [&] { finished = true; });
    main().widget()->close();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(program->frmPicture().isLoaded());
    EXPECT_FALSE(main().isLoaded());
}

} // namespace
