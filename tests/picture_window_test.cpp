// The picture window: its life cycle, the recent-files list, and the commands on its picture
// that the end-to-end runs cannot reach (the memory its boxes take, an empty box, a broken
// clipboard).
#include <QAction>
#include <QListWidget>

#include "browser/pcx_main.h"
#include "desktop/keep_on_top.h"
#include "edit/picture_box.h"
#include "platform/caption.h"
#include "platform/topmost.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;
using glimmer::Picture;
using glimmer::viewer::RecentFiles;

namespace {

QImage sample() {
    QImage img(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            img.setPixel(x, y, qRgb(40 * x, 100 * y, 7));
    return img;
}

class PictureWindowTest : public ProgramTest {
  protected:
    glimmer::viewer::FrmPicture& win() { return program->frmPicture(); }
    void trigger(const char* name) { win().action(QString::fromLatin1(name))->trigger(); }
    bool saveEnabled() { return win().action(QStringLiteral("mnuFileSave"))->isEnabled(); }
    // Shows the window with `pic` and runs `inside` while it is up.
    void view(const Picture& pic, std::function<void()> inside) {
        win().setPicture(pic);
        whileModal([this, inside = std::move(inside)] {
            inside();
            win().unload();
        });
        win().showModal();
    }
};

TEST_F(PictureWindowTest, LoadsHiddenOnTopAndRecordsThePickedName) {
    put(progDir(), QStringLiteral("SHOT0001.PCX"));
    program->pcxMain().show();
    program->pcxMain().list1()->setCurrentRow(0); // the pick loads the window
    EXPECT_TRUE(win().isLoaded());
    EXPECT_FALSE(win().isVisible());
    EXPECT_EQ(glimmer::platform::caption(win().widget()), QString());
    EXPECT_EQ(win().keepOnTop().value(), 1);
    EXPECT_TRUE(glimmer::platform::isTopmost(win().widget()));
    EXPECT_EQ(win().recentFiles().entries(), QStringList{"SHOT0001.PCX"});
    EXPECT_TRUE(win().holdsPicture()); // the hand-off came after the load
    win().unload();                    // closing writes the list; the list outlives the window
    QFile file(progDir() + QStringLiteral("/glimmer.mru"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("SHOT0001.PCX\r\n"));
    EXPECT_EQ(win().recentFiles().entries(), QStringList{"SHOT0001.PCX"});
}

// Activation takes the reference copy (the same picture, not a copy of its pixels) and
// enables Save As, which then stays so until the window is shown again.
TEST_F(PictureWindowTest, ActivationTakesTheReferenceCopyAndEnablesSaveAs) {
    const QImage img = sample().convertToFormat(QImage::Format_Indexed8);
    const Picture pic(img);
    view(pic, [&] {
        EXPECT_TRUE(saveEnabled());
        EXPECT_EQ(win().picture2()->picture().handle(), pic.handle());
        EXPECT_EQ(win().picture1()->image().constBits(), img.constBits());
        EXPECT_EQ(win().picture2()->image().constBits(), img.constBits());
        trigger("mnuFlipV"); // a drawing over the whole box stays 8-bit
        EXPECT_EQ(win().picture1()->image(), img.mirrored(false, true));
        EXPECT_EQ(win().picture2()->image().constBits(), img.constBits());
        trigger("mnunew");
        EXPECT_TRUE(saveEnabled());
        trigger("mnuFileSave");
        EXPECT_EQ(scripted.dialogs.shown.last().text, QStringLiteral("Nothing to save!"));
        EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("sfile"));
        EXPECT_EQ(scripted.dialogs.owners.last(), win().widget());
    });
    view(Picture(), [&] { EXPECT_FALSE(saveEnabled()); });
}

// An empty box leaves the user's clipboard and the printer alone and says why; a clipboard
// that fails says so and leaves the picture.
TEST_F(PictureWindowTest, CopyAndPrintWithoutAPictureOrAClipboardSaySoAndTouchNothing) {
    const QImage users(7, 7, QImage::Format_RGB32); // what the user had copied elsewhere
    scripted.clipboard.held = users;
    const auto expectRefused = [&] {
        const qsizetype before = scripted.dialogs.shown.size();
        trigger("mnucopy");
        trigger("mnuPrint");
        ASSERT_EQ(scripted.dialogs.shown.size(), before + 2);
        EXPECT_EQ(scripted.dialogs.shown[before].text,
                  QStringLiteral("There is no picture to copy."));
        EXPECT_EQ(scripted.dialogs.shown[before + 1].text,
                  QStringLiteral("There is no picture to print."));
        EXPECT_EQ(scripted.clipboard.held, users);
        EXPECT_TRUE(scripted.printer.printed.isEmpty());
    };
    view(Picture(), expectRefused);
    const Picture pic(sample());
    view(pic, [&] {
        scripted.clipboard.broken = true;
        trigger("mnupaste");
        EXPECT_TRUE(scripted.dialogs.shown.last().text.startsWith("Nothing could be pasted."));
        EXPECT_EQ(win().picture1()->picture().handle(), pic.handle());
        scripted.clipboard.broken = false;
        trigger("mnunew");
        expectRefused();
    });
}

TEST(RecentFiles, KeepsNineMostRecentFirstInAFileOfAnyLineEnds) {
    QTemporaryDir dir;
    glimmer::platform::LocalFileSystem fs;
    const QString path = dir.filePath(QStringLiteral("g.mru"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("A\r\n\r\nB\rC\nD\r\r"); // empty lines skipped, whichever system wrote them
    for (int i = 5; i <= 12; ++i)
        f.write(QByteArray::number(i) + "\r\n");
    f.close();

    RecentFiles list(fs, path);
    list.load();
    EXPECT_EQ(list.entries(), (QStringList{"A", "B", "C", "D", "5", "6", "7", "8", "9"}));
    EXPECT_FALSE(list.add(QStringLiteral("A"))); // already on top
    list.add(QStringLiteral("6"));
    EXPECT_EQ(list.entries(), (QStringList{"6", "A", "B", "C", "D", "5", "7", "8", "9"}));
    list.add(QStringLiteral("new"));
    EXPECT_EQ(list.entries().size(), 9);
    EXPECT_EQ(list.slot(9), QStringLiteral("8"));
    list.add(QStringLiteral("a")); // case matters
    EXPECT_EQ(list.slot(1), QStringLiteral("a"));
    list.save();

    RecentFiles again(fs, path);
    again.load();
    EXPECT_EQ(again.entries(), list.entries());
}

TEST_F(PictureWindowTest, RecentEntriesShowAmpersandsAsTheyAre) {
    const QString bmp = shotsDir() + QStringLiteral("/r&d.bmp");
    ASSERT_TRUE(sample().save(bmp, "BMP"));
    win().openPictureFile(bmp);
    win().openPictureFile(QStringLiteral("X.PCX")); // moves to the top, shows nothing new
    EXPECT_EQ(win().picture1()->picture().image().size(), QSize(3, 2));
    QAction* second = win().action(QStringLiteral("mnufilelist_2"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), QStringLiteral("&2. ") + QString(bmp).replace('&', "&&"));
    EXPECT_TRUE(win().action(QStringLiteral("mnufilelist_0"))->isVisible());
}

} // namespace
