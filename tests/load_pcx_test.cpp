// LoadPcx as the windows see it: messages through the seam, errors, and the Picture it makes.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/read_pcx.h"
#include "desktop/services/load_pcx.h"
#include "pcx_builder.h"
#include "tests/support/scripted_dialogs.h"

using namespace glimmer;
using testing_pcx::Bytes;
using testing_pcx::PcxFile;

namespace {

class LoadPcxTest : public ::testing::Test {
  protected:
    QString write(const QString& name, const Bytes& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        return path;
    }
    int errorOf(const QString& path) {
        try {
            (void)LoadPcx(path, dialogs);
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    }

    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
};

TEST_F(LoadPcxTest, RefusalsShowTheirOwnMessages) {
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.bits = 4;
    EXPECT_TRUE(LoadPcx(write("ega.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Sorry, can't load that pcx file!"));
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Sorry"));
    EXPECT_EQ(dialogs.shown[0].icon, platform::Icon::None);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Buttons::Ok);

    f = PcxFile::sized(4, 1, 4);
    f.marker = 10;
    EXPECT_TRUE(LoadPcx(write("nopal.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(
        dialogs.shown[1].text,
        QStringLiteral("The PCX that was passed didn't have a 256 colour palette! Can't read it!"));
    EXPECT_EQ(platform::titleOf(dialogs.shown[1]), QStringLiteral("Glimmer"));
    EXPECT_EQ(dialogs.shown[1].icon, platform::Icon::Exclamation);
    EXPECT_TRUE(QFile::remove(dir.filePath("nopal.pcx"))); // closed after the refusal

    f = PcxFile::sized(4, 1, 4, 4);
    EXPECT_TRUE(LoadPcx(write("rgba.pcx", f.bytes()), dialogs).isEmpty());
    EXPECT_EQ(dialogs.shown.size(), 2); // four planes: nothing said

    EXPECT_TRUE(LoadPcx(write("empty.pcx", {}), dialogs).isEmpty());
    f = PcxFile::sized(0, 1, 4); // width below 1
    f.data = {1, 2, 3, 4};
    EXPECT_TRUE(LoadPcx(write("zero.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 4);
    EXPECT_EQ(dialogs.shown[3].title, QStringLiteral("Sorry"));
}

TEST_F(LoadPcxTest, FailuresRaiseNumberedErrors) {
    EXPECT_EQ(errorOf(dir.filePath("missing.pcx")), errc::FileNotFound);
    EXPECT_EQ(errorOf(dir.path()), errc::FileNotFound);
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.xmin = -1, f.xmax = 32767;
    EXPECT_EQ(errorOf(write("wide.pcx", f.bytes())), errc::Overflow);
    Bytes shortFile = PcxFile::sized(4, 1, 4).bytes();
    shortFile.resize(500);
    EXPECT_EQ(errorOf(write("short.pcx", shortFile)), errc::BadFilePosition);
    shortFile.resize(100);
    EXPECT_EQ(errorOf(write("header.pcx", shortFile)), errc::OutOfRange);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// The command-line tool and the benchmarks read files through this, with nobody to tell.
TEST_F(LoadPcxTest, ReadingWithoutWindowsReturnsRefusalsAndErrors) {
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.marker = 10;
    PcxResult r = ReadPcx(write("nopal.pcx", f.bytes()));
    ASSERT_TRUE(std::holds_alternative<Refusal>(r));
    EXPECT_EQ(std::get<Refusal>(r).kind, pcx::Status::NoPalette);
    EXPECT_TRUE(std::get<Refusal>(r).text.contains(QStringLiteral("256 colour palette")));
    r = ReadPcx(write("rgba.pcx", PcxFile::sized(4, 1, 4, 4).bytes()));
    ASSERT_TRUE(std::holds_alternative<Refusal>(r));
    EXPECT_TRUE(std::get<Refusal>(r).text.isEmpty()); // refused without a word
    r = ReadPcx(dir.filePath("missing.pcx"));
    ASSERT_TRUE(std::holds_alternative<Error>(r));
    EXPECT_EQ(std::get<Error>(r).number(), errc::FileNotFound);
    r = ReadPcx(write("ok.pcx", PcxFile::sized(4, 1, 4).bytes()));
    ASSERT_TRUE(std::holds_alternative<Picture>(r));
    EXPECT_EQ(std::get<Picture>(r).image().size(), QSize(4, 1));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(LoadPcxTest, ErrorsNameTheirCause) {
    PcxFile f = PcxFile::sized(64, 100, 64);
    f.data = {1};
    try {
        (void)LoadPcx(write("cut.pcx", f.bytes()), dialogs);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.text(), QStringLiteral("Out of range: picture data ends before the last row"));
    }
}

TEST_F(LoadPcxTest, PictureIsSharedWithItsColoursAndSize) {
    PcxFile f = PcxFile::sized(640, 2, 640);
    for (int i = 0; i < 2 * 640 / 64; ++i)
        f.data.insert(f.data.end(), {0xFF, 200, 0xC1, 201});
    const Picture pic = LoadPcx(write("wide.pcx", f.bytes()), dialogs);
    ASSERT_FALSE(pic.isEmpty());
    EXPECT_EQ(pic.image().format(), QImage::Format_Indexed8);
    EXPECT_EQ(pic.image().colorCount(), 256);
    EXPECT_EQ(pic.image().pixel(0, 0), qRgb(200, 55, 100));
    EXPECT_EQ(pic.widthHiMetric(), 16933); // 640 px at 96 per inch
    EXPECT_EQ(Picture::toHiMetric(480, 96.0), 12700);

    const Picture copy = pic;
    EXPECT_TRUE(copy.sameAs(pic));
    EXPECT_EQ(copy.handle(), pic.handle());
    const Picture again = LoadPcx(dir.filePath("wide.pcx"), dialogs);
    EXPECT_NE(again.handle(), pic.handle());
    EXPECT_EQ(Picture().handle(), 0u);
}

TEST_F(LoadPcxTest, FileExistsCountsFoldersAndSwallowsErrors) {
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_TRUE(FileExists(write("a.pcx", {1})));
    EXPECT_FALSE(FileExists(dir.filePath("none/a.pcx")));
    EXPECT_FALSE(FileExists(QString()));
}

} // namespace
