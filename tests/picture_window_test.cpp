// The picture window: its life cycle, recent files, and the commands on its picture.
#include <QAction>
#include <QImageReader>
#include <QListWidget>
#include <QMenu>

#include "browser/pcx_main.h"
#include "desktop/services/keep_on_top.h"
#include "edit/orientation.h"
#include "edit/picture_box.h"
#include "platform/caption.h"
#include "platform/topmost.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;
using glimmer::Picture;
using glimmer::platform::Button;
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
    // Shows the window with `pic` and runs `inside` while it is up.
    void view(const Picture& pic, std::function<void()> inside) {
        win().picture1()->setPicture(pic);
        whileModal([this, inside = std::move(inside)] {
            inside();
            win().unload();
        });
        win().showModal();
    }
    QString mru() const { return progDir() + QStringLiteral("/glimmer.mru"); }
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
    EXPECT_FALSE(win().picture1()->picture().isEmpty()); // the hand-off came after the load

    win().unload(); // closing writes the list; the list outlives the window
    QFile file(mru());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("SHOT0001.PCX\r\n"));
    EXPECT_EQ(win().recentFiles().entries(), QStringList{"SHOT0001.PCX"});
}

TEST_F(PictureWindowTest, ActivationTakesTheReferenceCopyAndEnablesSaveAs) {
    const Picture pic(sample());
    view(pic, [&] {
        EXPECT_TRUE(win().action(QStringLiteral("mnuFileSave"))->isEnabled());
        EXPECT_TRUE(win().picture2()->picture().sameAs(pic));
        trigger("mnunew"); // Save As stays enabled until the window is shown again
        EXPECT_TRUE(win().action(QStringLiteral("mnuFileSave"))->isEnabled());
        trigger("mnuFileSave");
        EXPECT_EQ(scripted.dialogs.shown.last().text, QStringLiteral("Nothing to save!"));
        EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("sfile"));
    });
    view(Picture(),
         [&] { EXPECT_FALSE(win().action(QStringLiteral("mnuFileSave"))->isEnabled()); });
}

TEST_F(PictureWindowTest, MirrorAndTurnDrawFromTheReferenceCopy) {
    const QImage img = sample();
    view(Picture(img), [&] {
        using glimmer::edit::Orientation;
        const std::pair<const char*, QImage> cases[] = {
            {"mnufliph", img.mirrored(true, false)},
            {"mnuFlipV", img.mirrored(false, true)},
            {"mnuRotate", img.transformed(QTransform().rotate(180))},
            {"mnuRotate", img.transformed(QTransform().rotate(180))}, // does not add up
            {"mnuBackToNormal", img},
        };
        for (const auto& [item, want] : cases) {
            trigger(item);
            EXPECT_EQ(win().picture1()->image().convertToFormat(QImage::Format_RGB32),
                      want.convertToFormat(QImage::Format_RGB32))
                << item;
        }
        trigger("mnufliph");
        trigger("mnucopy"); // Copy takes the picture as loaded, not the drawing
        EXPECT_EQ(scripted.clipboard.held, img);
    });
}

TEST_F(PictureWindowTest, AnEightBitPictureIsNotCopiedByEitherBox) {
    QImage img = sample().convertToFormat(QImage::Format_Indexed8);
    view(Picture(img), [&] {
        EXPECT_EQ(win().picture1()->image().constBits(), img.constBits());
        EXPECT_EQ(win().picture2()->image().constBits(), img.constBits());
        trigger("mnuFlipV");
        EXPECT_EQ(win().picture1()->image().format(), QImage::Format_Indexed8);
        EXPECT_EQ(win().picture1()->image(), img.mirrored(false, true));
        EXPECT_EQ(win().picture2()->image().constBits(), img.constBits());
    });
}

TEST_F(PictureWindowTest, SaveAsWritesTheDrawnImageAsBmpAndAsksBeforeReplacing) {
    const QImage img = sample();
    const QString target = shotsDir() + QStringLiteral("/shot.jpg");
    view(Picture(img), [&] {
        trigger("mnufliph");
        scripted.fileDialogs.answers = {target};
        trigger("mnuFileSave");
        ASSERT_EQ(scripted.fileDialogs.asked.size(), 1);
        EXPECT_EQ(scripted.fileDialogs.asked[0].title, QStringLiteral("Save Current Picture File"));
        EXPECT_EQ(scripted.fileDialogs.asked[0].filters.size(), 4);
        EXPECT_EQ(scripted.fileDialogs.asked[0].startName, QString());

        QImageReader reader(target);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray("bmp")); // BMP whatever the name says
        EXPECT_EQ(reader.read().convertToFormat(QImage::Format_RGB32),
                  img.mirrored(true, false).convertToFormat(QImage::Format_RGB32));

        trigger("mnuBackToNormal");
        scripted.fileDialogs.answers = {target};
        scripted.dialogs.answers = {Button::No};
        trigger("mnuFileSave");
        EXPECT_EQ(scripted.dialogs.shown.last().text,
                  QStringLiteral("That File Already Exists, Overwright"));
        EXPECT_EQ(scripted.dialogs.shown.last().title, QStringLiteral("Are you Sure"));
        EXPECT_EQ(glimmer::platform::caption(win().widget()), target); // the name chosen before
        EXPECT_EQ(scripted.fileDialogs.asked[1].startName, target);
        EXPECT_EQ(QImage(target).pixel(0, 0), img.pixel(2, 0)); // untouched

        scripted.files.writeFault = glimmer::errc::DeviceUnavailable;
        scripted.fileDialogs.answers = {target};
        scripted.dialogs.answers = {Button::Yes};
        trigger("mnuFileSave");
        EXPECT_TRUE(
            scripted.dialogs.shown.last().text.contains(QStringLiteral("could not be saved")));
        EXPECT_EQ(QImage(target).pixel(0, 0), img.pixel(2, 0)); // the earlier file survives
    });
}

TEST_F(PictureWindowTest, PastePrintAndTheirFailures) {
    view(Picture(sample()), [&] {
        scripted.clipboard.held = QImage(5, 4, QImage::Format_RGB32);
        trigger("mnupaste");
        EXPECT_EQ(win().picture1()->picture().image().size(), QSize(5, 4));
        trigger("mnuPrint");
        ASSERT_EQ(scripted.printer.printed.size(), 1);
        EXPECT_EQ(scripted.printer.printed[0].size(), QSize(5, 4));
        scripted.printer.failure = QStringLiteral("There is no printer to print on.");
        trigger("mnuPrint");
        EXPECT_TRUE(scripted.dialogs.shown.last().text.contains(scripted.printer.failure));
        scripted.clipboard.broken = true;
        trigger("mnucopy");
        EXPECT_TRUE(
            scripted.dialogs.shown.last().text.contains(QStringLiteral("could not be copied")));
        scripted.clipboard.broken = false;
        scripted.clipboard.held = QImage(); // text only: paste empties the box
        trigger("mnupaste");
        EXPECT_TRUE(win().picture1()->picture().isEmpty());
    });
}

// An empty box leaves the user's clipboard and the printer alone and says why.
TEST_F(PictureWindowTest, CopyAndPrintWithoutAPictureSaySoAndTouchNothing) {
    const QImage users(7, 7, QImage::Format_RGB32); // what the user had copied elsewhere
    scripted.clipboard.held = users;
    auto expectRefused = [&](const char* why) {
        const qsizetype before = scripted.dialogs.shown.size();
        trigger("mnucopy");
        trigger("mnuPrint");
        ASSERT_EQ(scripted.dialogs.shown.size(), before + 2) << why;
        EXPECT_EQ(scripted.dialogs.shown[before].text,
                  QStringLiteral("There is no picture to copy."));
        EXPECT_EQ(scripted.dialogs.shown[before + 1].text,
                  QStringLiteral("There is no picture to print."));
        EXPECT_EQ(scripted.clipboard.held, users) << why;
        EXPECT_TRUE(scripted.printer.printed.isEmpty()) << why;
    };
    view(Picture(), [&] { expectRefused("before any picture"); });
    view(Picture(sample()), [&] {
        trigger("mnunew");
        expectRefused("after New");
    });
}

TEST_F(PictureWindowTest, OpenAndExitBothClose) {
    for (const char* item : {"mnuFileOpen", "exit"}) {
        win().picture1()->setPicture(Picture(sample()));
        bool closed = false;
        whileModal([&] {
            trigger(item);
            closed = !win().isLoaded();
            if (!closed) win().unload();
        });
        win().showModal();
        EXPECT_TRUE(closed) << item;
    }
}

TEST(RecentFiles, KeepsNineMostRecentFirst) {
    QTemporaryDir dir;
    glimmer::platform::LocalFileSystem fs;
    const QString path = dir.filePath(QStringLiteral("g.mru"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("A\r\n\r\nB\r\n");
    for (int i = 3; i <= 12; ++i)
        f.write(QByteArray::number(i) + "\r\n");
    f.close();

    RecentFiles list(fs, path);
    list.load();
    EXPECT_EQ(list.entries(), (QStringList{"A", "B", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_FALSE(list.add(QStringLiteral("A"))); // already on top
    list.add(QStringLiteral("5"));
    EXPECT_EQ(list.entries(), (QStringList{"5", "A", "B", "3", "4", "6", "7", "8", "9"}));
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

TEST(RecentFiles, ReadsLinesEndedByCrLfLfOrCr) { // whichever system wrote the file
    QTemporaryDir dir;
    glimmer::platform::LocalFileSystem fs;
    const QString path = dir.filePath(QStringLiteral("g.mru"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("A\rB\r\nC\nD\r\rE\r") == 12);
    f.close();
    RecentFiles list(fs, path);
    list.load();
    EXPECT_EQ(list.entries(), (QStringList{"A", "B", "C", "D", "E"}));
}

TEST_F(PictureWindowTest, RecentEntriesOpenOrdinaryPicturesAndShowAmpersands) {
    const QString bmp = shotsDir() + QStringLiteral("/r&d.bmp");
    ASSERT_TRUE(sample().save(bmp, "BMP"));
    win().openPictureFile(bmp);
    EXPECT_EQ(win().picture1()->picture().image().size(), QSize(3, 2));
    win().openPictureFile(put(shotsDir(), QStringLiteral("X.PCX"))); // not for this loader
    EXPECT_EQ(win().picture1()->picture().image().size(), QSize(3, 2));
    QAction* second = win().action(QStringLiteral("mnufilelist_2"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(),
              QStringLiteral("&2. ") + QString(bmp).replace('&', QStringLiteral("&&")));
    second->trigger();
    EXPECT_EQ(win().recentFiles().slot(1), bmp);
    EXPECT_TRUE(win().action(QStringLiteral("mnufilelist_0"))->isVisible());
}

} // namespace
