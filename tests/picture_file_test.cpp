// The door glimmer-pcx reads every picture through: which reader a file goes to, by its content
// and then its name, and TGA files of other writers read to the pixels other readers agree on.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/palette_file.h"
#include "decode/picture_file.h"
#include "test_data.h"

using namespace glimmer;
using testing_glimmer::testData;

namespace {

// Builds the picture from the rows a reader hands on, and fails unless each row came once.
class Assembled : public pcx::RowSink {
  public:
    bool start(const pcx::Image& shape) noexcept override {
        static constexpr QImage::Format formats[] = {QImage::Format_Indexed8, QImage::Format_Mono,
                                                     QImage::Format_RGB32, QImage::Format_ARGB32};
        image = QImage(shape.width, shape.height, formats[int(shape.format)]);
        QList<QRgb> table(shape.colours.begin(), shape.colours.begin() + shape.colour_count);
        image.setColorTable(table);
        stride = shape.stride;
        seen.assign(std::size_t(shape.height), 0);
        return true;
    }
    void row(int y, const std::uint8_t* pixels) noexcept override {
        if (y < 0 || y >= image.height() || seen[std::size_t(y)]++) {
            ADD_FAILURE() << "row " << y << " of " << image.height()
                          << " handed on again or outside";
            return;
        }
        std::memcpy(image.scanLine(y), pixels, std::min<std::size_t>(stride, image.bytesPerLine()));
    }
    [[nodiscard]] bool whole() const { return std::ranges::count(seen, 1) == image.height(); }

    QImage image;
    std::size_t stride = 0;
    std::vector<int> seen;
};

QImage argb(const QImage& i) {
    return i.convertToFormat(QImage::Format_ARGB32);
}

// The picture as readRows hands it on, or a null picture when a row is missing.
QImage rowsOf(const PictureFile& file) {
    Assembled rows;
    const PcxResult read = file.readRows(0, rows);
    if (!std::holds_alternative<Picture>(read) || !rows.whole()) return QImage();
    return argb(rows.image);
}

TEST(PictureFile, EachFileGoesToTheReaderItsContentThenItsNameNames) {
    const QByteArray pcx("\x0a\x05\x01\x08", 4),
        tga("\0\0\x02\0\0\0\0\0\0\0\0\0\x04\0\x04\0\x18\0", 18);
    const QByteArray tgaWithId = QByteArray("\x0a\x00\x02", 3) + tga.mid(3); // first byte 10
    const struct {
        QByteArray start;
        const char* name;
        PictureKind kind;
    } cases[] = {
        {pcx + QByteArray(61, 0) + '\x01', "", PictureKind::Pcx},   // one plane
        {QByteArray("\xb1\x68\xde\x3a", 4), "x", PictureKind::Pcx}, // DCX's number
        {tga, "x.pcx", PictureKind::Pcx},
        {tga, "", PictureKind::Tga},
        {tgaWithId, "x.png", PictureKind::Tga},
        {QByteArray("\x89PNG\r\n\x1a\n"), "x.tga", PictureKind::Other},
        {QByteArray("GIF89a"), "x.TGA", PictureKind::Other},
        {QByteArray("BM"), "", PictureKind::Other},
        {QByteArray(18, 0), "x.Tga", PictureKind::Tga}, // told by the reader what is wrong
        {QByteArray(18, 0), "x.jpg", PictureKind::Other},
        {QByteArray(), "", PictureKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pictureKind(c.start, QString::fromLatin1(c.name)), c.kind)
            << c.start.toHex().toStdString() << " " << c.name;
}

TEST(PictureFile, TgaFilesOfOtherWritersReadAsTheOtherReadersAgree) {
    const QDir dir(testData(QStringLiteral("tga")));
    const QStringList files = dir.entryList({QStringLiteral("*.tga")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 8);
    for (const QString& name : files) {
        const PictureFile file(dir.filePath(name));
        ASSERT_EQ(file.kind(), PictureKind::Tga) << name.toStdString();
        const PcxResult read = file.read(0);
        ASSERT_TRUE(std::holds_alternative<Picture>(read)) << name.toStdString();
        QString png = dir.filePath(name);
        png.replace(QStringLiteral(".tga"), QStringLiteral(".png"));
        EXPECT_EQ(argb(std::get<Picture>(read).image()), argb(QImage(png))) << name.toStdString();
        EXPECT_EQ(rowsOf(file), argb(QImage(png))) << name.toStdString();
    }
}

TEST(PictureFile, RowsHandedOnAreThePicture) {
    for (const char* name : {"kinds/kde-16color.pcx", "kinds/kde-16color.png", "pcx/bw.pcx"}) {
        const PictureFile file(testData(QString::fromLatin1(name)));
        const PcxResult read = file.read(0);
        ASSERT_TRUE(std::holds_alternative<Picture>(read)) << name;
        EXPECT_EQ(rowsOf(file), argb(std::get<Picture>(read).image())) << name;
    }
}

TEST(PictureFile, AFileIsReachedThroughItsLinksReadUpToItsLimitOrToldWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ten"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("0123456789") == 10);
    file.close();
    EXPECT_EQ(readWholeFile(path, 10), QByteArray("0123456789"));
    try {
        (void)readWholeFile(path, 9);
        ADD_FAILURE() << "a file past its limit was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), errc::OutOfMemory);
    }
    // Links are followed to the end, to an absolute or a relative target alike.
    const QByteArray real = QFile::encodeName(dir.filePath(QStringLiteral("ten")));
    ASSERT_TRUE(QFile::link(path, dir.filePath(QStringLiteral("absolute"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("absolute"), dir.filePath(QStringLiteral("relative"))));
    EXPECT_EQ(followLinks(QFile::encodeName(dir.filePath(QStringLiteral("relative")))), real);
    // What cannot be opened: nothing there, a folder, a link to itself.
    ASSERT_TRUE(
        QFile::link(dir.filePath(QStringLiteral("loop")), dir.filePath(QStringLiteral("loop"))));
    const struct {
        const char* name;
        int number;
    } refused[] = {
        {"none", errc::FileNotFound}, {".", errc::FileNotFound}, {"loop", errc::DeviceUnavailable}};
    for (const auto& r : refused) {
        try {
            (void)readWholeFile(dir.filePath(QString::fromLatin1(r.name)));
            ADD_FAILURE() << r.name << " was read";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), r.number) << r.name;
        }
    }
}

TEST(PictureFile, PicturesWithAPaletteGiveItAndOthersAreToldWhy) {
    // Entries from index 2, blue then red; indexes before them are black.
    const QByteArray mapped("\0\x01\x01\x02\0\x02\0\x18\0\0\0\0\x01\0\x01\0\x08\0"
                            "\xff\0\0\0\0\xff\x02",
                            25);
    EXPECT_EQ(paletteOf(mapped, QStringLiteral("m.tga")),
              (QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 0)}));
    const QByteArray truecolour("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x18\0\x01\x02\x03", 21);
    EXPECT_THROW((void)paletteOf(truecolour, QStringLiteral("t.tga")), Error);
    // BMP (read by Qt) and PNG (its PLTE chunk) files: paletted, or in true colour and so
    // without a palette.
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.fill(1);
    for (const char* format : {"BMP", "PNG"}) {
        for (const QImage& image : {indexed, indexed.convertToFormat(QImage::Format_RGB32)}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format));
            if (image.format() == QImage::Format_Indexed8)
                EXPECT_EQ(paletteOf(bytes).mid(0, 2), indexed.colorTable()) << format;
            else
                EXPECT_THROW((void)paletteOf(bytes), Error) << format;
        }
    }
}

} // namespace
