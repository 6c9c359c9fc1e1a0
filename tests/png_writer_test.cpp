// The PNG writer, read back by Qt's own reader (libpng): every filter, every kind of picture.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "png/png_writer.h"

using glimmer::encodePng;
using glimmer::PngFilter;
using glimmer::PngOptions;

namespace {

QImage readBack(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

// Smooth ramps, noise and flat runs, so that every filter type wins somewhere.
QImage picture(int w, int h, QImage::Format format) {
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
            table.append(qRgb(i * 2, 255 - i, i * i % 256));
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
                    const QImage want = picture(size.width(), size.height(), format);
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
