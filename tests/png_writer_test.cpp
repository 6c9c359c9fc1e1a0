// The PNG, BMP and PPM writers, read back by Qt's own readers: every filter, every kind of
// picture.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include "decode/error.h"
#include "encode/bmp_writer.h"
#include "encode/ppm_writer.h"
#include "encode/write_file.h"
#include "png/png_writer.h"

using glimmer::bmpSize;
using glimmer::ByteSink;
using glimmer::encodePng;
using glimmer::Error;
using glimmer::PngFilter;
using glimmer::PngOptions;
using glimmer::ppmSize;
using glimmer::Producer;
using glimmer::replaceFile;

namespace {

QImage readBack(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

// Smooth ramps, noise and flat runs, so that every filter type wins somewhere; a paletted
// picture's first ten entries `translucent` when asked.
QImage picture(int w, int h, QImage::Format format, bool translucent = false) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int noise =
                static_cast<int>((static_cast<unsigned>(x * 7919 + y * 104729) >> 3) % 64);
            image.setPixel(x, y,
                           qRgba((x * 255) / w, y < h / 2 ? 40 : noise * 4,
                                 (x + y) % 3 == 0 ? 200 : 10, 255 - (x % 5) * 40));
        }
    if (format == QImage::Format_Indexed8) {
        QImage indexed(w, h, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 100; ++i) // fewer than 256 entries
            table.append(qRgba(i * 2, 255 - i, i * i % 256, translucent && i < 10 ? i * 25 : 255));
        indexed.setColorTable(table);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                indexed.setPixel(x, y, static_cast<uint>((x / 3 + y * 7) % 100));
        return indexed;
    }
    return image.convertToFormat(format);
}

} // namespace

TEST(PngWriter, EveryFilterAndKindReadsBackAsThePicture) {
    const QImage::Format formats[] = {QImage::Format_Indexed8, QImage::Format_Mono,
                                      QImage::Format_RGB32, QImage::Format_RGB888,
                                      QImage::Format_ARGB32};
    const PngFilter filters[] = {PngFilter::None, PngFilter::Up, PngFilter::Paeth,
                                 PngFilter::Adaptive, PngFilter::Auto};
    for (QSize size : {QSize(1, 1), QSize(37, 5), QSize(130, 300)})
        for (QImage::Format format : formats)
            for (PngFilter filter : filters)
                for (int level : {1, 6}) {
                    const QImage want = picture(size.width(), size.height(), format, true);
                    PngOptions o;
                    o.level = level;
                    o.bandsAbove = level == 6 ? 0 : o.bandsAbove; // in bands through zlib
                    o.indexedFilter = o.colourFilter = filter;
                    const QImage got = readBack(encodePng(want, o));
                    ASSERT_FALSE(got.isNull());
                    const auto argb = [](const QImage& i) {
                        return i.convertToFormat(QImage::Format_ARGB32);
                    };
                    EXPECT_EQ(argb(got), argb(want))
                        << size.width() << "x" << size.height() << " format " << format
                        << " filter " << static_cast<int>(filter) << " level " << level;
                    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono)
                        EXPECT_EQ(got.format(), format); // stays paletted, or bits
                    else
                        EXPECT_EQ(got.hasAlphaChannel(), format == QImage::Format_ARGB32);
                }
}

TEST(PngWriter, DataOverSeveralChunksReadsBack) {
    // Noise does not compress: 3 MB of it spans several data chunks.
    QImage noise(1024, 1024, QImage::Format_RGB32);
    unsigned state = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1103515245u + 12345u;
            noise.setPixel(x, y, 0xFF000000u | (state >> 8));
        }
    const QByteArray png = encodePng(noise, PngOptions{.level = 1});
    EXPECT_GT(png.count("IDAT"), 2);
    EXPECT_EQ(readBack(png).convertToFormat(QImage::Format_RGB32), noise);
}

// Written through replaceFile as convert writes them, the files read back as the picture
// without its alpha, at the bit depth Qt's writer chose.
TEST(RowWriters, EveryKindReadsBackAsThePictureWithoutAlpha) {
    QTemporaryDir dir;
    QImage sixteen = picture(37, 5, QImage::Format_Indexed8);
    sixteen.setColorCount(16); // a 4-bit file
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            sixteen.setPixel(x, y, uint(x * y % 16));
    const QImage argb = picture(37, 5, QImage::Format_ARGB32);
    const struct {
        QImage image;
        int bmpBits;
    } cases[] = {{picture(37, 5, QImage::Format_Mono), 1},
                 {sixteen, 4},
                 {picture(37, 5, QImage::Format_Indexed8), 8},
                 {argb.convertToFormat(QImage::Format_Grayscale8), 8},
                 {argb.convertToFormat(QImage::Format_RGB32), 24},
                 {argb, 24}};
    for (const auto& c : cases) {
        const QImage want = c.image.convertToFormat(QImage::Format_RGB32);
        for (const char* format : {"bmp", "ppm"}) {
            const QString out = dir.filePath(QStringLiteral("out.") + format);
            const bool bmp = format[0] == 'b';
            const auto write = [&](ByteSink& sink) {
                bmp ? writeBmp(c.image, sink) : writePpm(c.image, sink);
            };
            replaceFile(out, bmp ? bmpSize(c.image) : ppmSize(c.image), write);
            EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), want)
                << format << " of format " << c.image.format();
            QFile file(out);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray head = file.read(30);
            if (bmp)
                EXPECT_EQ(int(head[28]), c.bmpBits) << c.image.format();
            else
                EXPECT_TRUE(head.startsWith("P6\n37 5\n255\n"));
        }
    }
}

TEST(RowWriters, ABmpFileOfMoreThanFourGiBIsRefused) {
    // Never read: only the size is asked for.
    static const uchar row[4 * 40000] = {};
    const QImage huge(row, 40000, 40000, 0, QImage::Format_RGB32);
    try {
        (void)bmpSize(huge);
        FAIL() << "a BMP file cannot hold it";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), glimmer::errc::Overflow);
    }
    // Just below: rows of 111000 bytes.
    EXPECT_EQ(bmpSize(QImage(row, 37000, 38000, 0, QImage::Format_RGB32)),
              54 + qint64(111000) * 38000);
}

// A producer that fails, or makes other than it announced, leaves the old file as it was and
// no other file beside it.
TEST(RowWriters, AFailedProducerKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath("kept.bmp");
    replaceFile(out, QByteArray("old"));
    const auto half = [](ByteSink& sink) {
        sink.write("new", 3);
        throw Error(glimmer::errc::OutOfMemory);
    };
    const auto shorter = [](ByteSink& sink) { sink.write("new", 3); };
    for (const Producer& produce : {Producer(half), Producer(shorter)}) {
        EXPECT_THROW(replaceFile(out, 6, produce), Error);
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("old"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.bmp"});
    }
}
