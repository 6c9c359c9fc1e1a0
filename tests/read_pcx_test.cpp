// Reading PCX files as the windows and glimmer-pcx do: files written by other software
// decode to the pixels another decoder made of them, every other fixture ends as its own
// refusal or numbered error, and the windows tell a refusal as the program's table says.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "decode/error.h"
#include "decode/pcx_pages.h"
#include "decode/read_pcx.h"
#include "desktop/load_pcx.h"
#include "test_data.h"
#include "tests/support/scripted_dialogs.h"

using namespace glimmer;
using testing_glimmer::testData;

namespace {

QStringList filesIn(const QString& sub, const QStringList& patterns) {
    QDir dir(testData(sub));
    QStringList out;
    for (const QString& name : dir.entryList(patterns, QDir::Files, QDir::Name))
        out.append(dir.filePath(name));
    return out;
}

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST(ReadPcx, FilesOfOtherWritersDecodeToTheirGoldenPictures) {
    const QStringList files = filesIn(QStringLiteral("pcx"), {QStringLiteral("*.pcx")});
    ASSERT_GE(files.size(), 10);
    for (const QString& path : files) {
        const PcxResult r = ReadPcx(path);
        ASSERT_TRUE(std::holds_alternative<Picture>(r)) << path.toStdString();
        QString png = path;
        png.replace(QStringLiteral(".pcx"), QStringLiteral(".png"));
        EXPECT_EQ(rgb(std::get<Picture>(r).image()), rgb(QImage(png))) << path.toStdString();
    }
    // Twenty zero bytes between the image data and the palette; a grey ramp palette.
    const PcxResult quirk = ReadPcx(testData(QStringLiteral("quirks/ccbug_463951.pcx")));
    ASSERT_TRUE(std::holds_alternative<Picture>(quirk));
    const QImage& image = std::get<Picture>(quirk).image();
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.size(), QSize(581, 400));
    EXPECT_EQ(image.pixel(20, 50), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(550, 350), qRgb(255, 255, 255));
}

TEST(ReadPcx, EveryOtherFileEndsAsItsOwnRefusalOrError) {
    using pcx::Status;
    const std::pair<const char*, Status> refused[] = {
        {"refused/01r_00.pcx", Status::NoPalette},
        {"refused/TALOS-2025-2217.pcx", Status::UnsupportedPlanes},
        {"refused/pcx_overrun.bin", Status::NotEightBit},
    };
    for (const auto& [file, kind] : refused) {
        const PcxResult r = ReadPcx(testData(QString::fromLatin1(file)));
        ASSERT_TRUE(std::holds_alternative<Refusal>(r)) << file;
        EXPECT_EQ(std::get<Refusal>(r).kind, kind) << file;
    }
    const std::pair<const char*, int> failed[] = {
        {"malformed/cut-mid-row.pcx", errc::OutOfRange},
        {"malformed/header-and-palette-claim-8000x32767.pcx", errc::OutOfRange},
        {"malformed/header-only.pcx", errc::OutOfRange},
        {"malformed/rgb-200-bytes-claim-6000x30000.pcx", errc::OutOfRange},
        {"malformed/rgb-header-claims-8000x32767.pcx", errc::OutOfRange},
        {"malformed/rgb-wider-than-line.pcx", errc::OutOfRange},
        {"malformed/tiny-claims-6000x30000.pcx", errc::OutOfRange},
        {"malformed/tiny-claims-huge.pcx", errc::OutOfRange},
        {"malformed/too-short-for-palette.pcx", errc::BadFilePosition},
        {"malformed/width-overflow.pcx", errc::Overflow},
        {"no-such-file.pcx", errc::FileNotFound},
        {"pcx", errc::FileNotFound}, // a folder
    };
    for (const auto& [file, number] : failed) {
        const PcxResult r = ReadPcx(testData(QString::fromLatin1(file)));
        ASSERT_TRUE(std::holds_alternative<Error>(r)) << file;
        EXPECT_EQ(std::get<Error>(r).number(), number) << file;
    }
    EXPECT_EQ(
        std::get<Error>(ReadPcx(testData(QStringLiteral("malformed/cut-mid-row.pcx")))).text(),
        QStringLiteral("Out of range: picture data ends before the last row"));
}

// glimmer-pcx reads every kind: each page of files from other writers, and of those the
// project made with GIMP, ImageMagick and netpbm, is the picture its writer was given. The
// viewer refuses them all.
TEST(PcxPages, EveryKindDecodesToThePictureItsWriterWasGiven) {
    const QStringList files = filesIn(QStringLiteral("kinds"), {"*.pcx", "*.dcx"});
    ASSERT_GE(files.size(), 25);
    const auto argb = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32);
    };
    for (const QString& path : files) {
        const PcxPages pages(path);
        ASSERT_EQ(pages.table(), pcx::Status::Ok) << path.toStdString();
        const QString base = path.chopped(4);
        for (int i = 0; i <= pages.count(); ++i) {
            const QString png = pages.isDcx() ? base + QStringLiteral("-%1.png").arg(i + 1)
                                              : base + QStringLiteral(".png");
            if (i == pages.count()) {
                EXPECT_TRUE(!pages.isDcx() || !QFile::exists(png)) << png.toStdString();
                break;
            }
            const PcxResult r = pages.read(i);
            ASSERT_TRUE(std::holds_alternative<Picture>(r)) << png.toStdString();
            EXPECT_EQ(argb(std::get<Picture>(r).image()), argb(QImage(png))) << png.toStdString();
        }
        const PcxResult viewer = ReadPcx(path);
        ASSERT_TRUE(std::holds_alternative<Refusal>(viewer)) << path.toStdString();
        EXPECT_EQ(std::get<Refusal>(viewer).kind, path.contains(QLatin1String("rgba"))
                                                      ? pcx::Status::UnsupportedPlanes
                                                      : pcx::Status::NotEightBit);
    }
}

// What the user is told of each kind of refusal; a decode error is raised, not told.
TEST(LoadPcx, TellsARefusalInItsOwnBoxAndRaisesAnError) {
    const QString sorry = QStringLiteral("Sorry, can't load that pcx file!");
    const QString noPalette =
        QStringLiteral("The PCX that was passed didn't have a 256 colour palette! Can't read it!");
    const struct {
        const char* file;
        QString text; // empty: nothing said
        QString title;
        platform::Icon icon;
    } cases[] = {
        {"kinds/kde-16color.pcx", sorry, QStringLiteral("Sorry"), platform::Icon::None},
        {"refused/01r_00.pcx", noPalette, QString(), platform::Icon::Exclamation},
        {"kinds/kde-dice_rgba.pcx", QString(), QString(), platform::Icon::None},
    };
    QWidget owner;
    for (const auto& c : cases) {
        platform::ScriptedDialogs dialogs;
        EXPECT_TRUE(LoadPcx(testData(QString::fromLatin1(c.file)), dialogs, &owner).isEmpty());
        ASSERT_EQ(dialogs.shown.size(), c.text.isEmpty() ? 0 : 1) << c.file;
        if (c.text.isEmpty()) continue;
        EXPECT_EQ(dialogs.shown[0].text, c.text);
        EXPECT_EQ(dialogs.shown[0].title, c.title);
        EXPECT_EQ(dialogs.shown[0].icon, c.icon);
        EXPECT_EQ(dialogs.owners[0], &owner);
    }
    platform::ScriptedDialogs dialogs;
    EXPECT_THROW((void)LoadPcx(testData(QStringLiteral("malformed/width-overflow.pcx")), dialogs),
                 Error);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// Rows handed on one at a time are the rows of the whole picture, and end in the same status,
// for every fixture of every kind (true-colour spill columns, odd widths and damage included).
class Collected : public pcx::RowSink {
  public:
    bool start(const pcx::Image& shape) noexcept override {
        m_stride = shape.stride;
        return true;
    }
    void row(int y, const std::uint8_t* pixels) noexcept override {
        if (y != m_next++) m_ordered = false;
        m_rows.insert(m_rows.end(), pixels, pixels + m_stride);
    }
    std::vector<std::uint8_t> m_rows;
    std::size_t m_stride = 0;
    int m_next = 0;
    bool m_ordered = true;
};

TEST(ReadPcx, RowsHandedOnAreThePicturesRows) {
    int decoded = 0;
    for (const char* sub : {"pcx", "kinds", "quirks", "malformed", "refused"}) {
        for (const QString& path : filesIn(QString::fromLatin1(sub),
                                           {QStringLiteral("*.pcx"), QStringLiteral("*.dcx")})) {
            const PcxPages pages(path);
            for (int i = 0; i < pages.count(); ++i) {
                const pcx::Result whole = pages.decode(i);
                Collected rows;
                const pcx::Result streamed = pages.decodeRows(i, rows);
                const std::string what = path.toStdString() + " page " + std::to_string(i);
                ASSERT_EQ(streamed.status, whole.status) << what;
                if (whole.status != pcx::Status::Ok) continue;
                ++decoded;
                const pcx::Image& img = whole.image;
                EXPECT_TRUE(rows.m_ordered) << what;
                EXPECT_EQ(streamed.image.colours, img.colours) << what;
                ASSERT_EQ(rows.m_rows.size(), img.stride * std::size_t(img.height)) << what;
                EXPECT_TRUE(std::equal(rows.m_rows.begin(), rows.m_rows.end(), img.pixels.get()))
                    << what;
            }
        }
    }
    EXPECT_GE(decoded, 30);
}

} // namespace
