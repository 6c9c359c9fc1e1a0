// Real files written by other software. Each decodable file sits beside the PNG another
// decoder made of it; refused and malformed files must end as refusal or error.
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include "decode/error.h"
#include "desktop/services/load_pcx.h"
#include "tests/support/scripted_dialogs.h"

using glimmer::LoadPcx;
using glimmer::Picture;

namespace {

QString dataDir(const char* sub) {
    return QStringLiteral(GLIMMER_TEST_DATA "/") + sub;
}

QStringList filesIn(const char* sub, const QStringList& patterns) {
    QDir dir(dataDir(sub));
    QStringList out;
    for (const QString& name : dir.entryList(patterns, QDir::Files, QDir::Name))
        out.append(dir.filePath(name));
    return out;
}

TEST(Corpus, DecodesToTheSamePixelsAsAnotherDecoder) {
    const QStringList files = filesIn("pcx", {QStringLiteral("*.pcx")});
    ASSERT_GE(files.size(), 8);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        glimmer::platform::ScriptedDialogs dialogs;
        const Picture pic = LoadPcx(path, dialogs);
        ASSERT_FALSE(pic.isEmpty());
        QString png = path;
        png.replace(QStringLiteral(".pcx"), QStringLiteral(".png"));
        const QImage want(png);
        ASSERT_FALSE(want.isNull());
        EXPECT_EQ(pic.image().convertToFormat(QImage::Format_RGB32),
                  want.convertToFormat(QImage::Format_RGB32));
        EXPECT_TRUE(dialogs.shown.isEmpty());
    }
}

TEST(Corpus, PaddingBeforeThePaletteIsSkipped) {
    // Twenty zero bytes between the image data and the palette; a grey ramp palette.
    glimmer::platform::ScriptedDialogs dialogs;
    const Picture pic = LoadPcx(dataDir("quirks/ccbug_463951.pcx"), dialogs);
    ASSERT_FALSE(pic.isEmpty());
    EXPECT_EQ(pic.image().size(), QSize(581, 400));
    EXPECT_EQ(pic.image().pixel(20, 50), qRgb(0, 0, 0));
    EXPECT_EQ(pic.image().pixel(550, 350), qRgb(255, 255, 255));
}

TEST(Corpus, UnsupportedKindsAreRefusedWithoutError) {
    const QStringList files =
        filesIn("refused", {QStringLiteral("*.pcx"), QStringLiteral("*.bin")});
    ASSERT_GE(files.size(), 5);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        glimmer::platform::ScriptedDialogs dialogs;
        EXPECT_TRUE(LoadPcx(path, dialogs).isEmpty());
    }
}

TEST(Corpus, MalformedFilesRaiseNumberedErrors) {
    const QStringList files = filesIn("malformed", {QStringLiteral("*.pcx")});
    ASSERT_GE(files.size(), 5);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        glimmer::platform::ScriptedDialogs dialogs;
        try {
            (void)LoadPcx(path, dialogs);
            ADD_FAILURE() << "decoded";
        } catch (const glimmer::Error& e) {
            EXPECT_TRUE(e.number() == 6 || e.number() == 9 || e.number() == 63) << e.what();
        }
        EXPECT_TRUE(dialogs.shown.isEmpty());
    }
}

} // namespace
