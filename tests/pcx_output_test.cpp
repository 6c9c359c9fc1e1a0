// PCX files for the game's editor: the writer read back by the decoder, the masked colour at
// index 0 whatever the route, palettes kept or given, and the palette files read.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <variant>

#include "decode/error.h"
#include "decode/palette_file.h"
#include "decode/read_pcx.h"
#include "encode/pcx_writer.h"
#include "pcx/runs.h"
#include "quantize/box_palette.h"
#include "quantize/colour_counts.h"
#include "quantize/nearest.h"
#include "quantize/pixel_rows.h"
#include "quantize/quantize.h"

using namespace glimmer;

namespace {

QImage decoded(const QByteArray& file) {
    const PcxResult r = DecodePcx(file, pcx::Kinds::Every);
    return std::holds_alternative<Picture>(r) ? std::get<Picture>(r).image() : QImage();
}

// Runs of every length around 63, values that need a count byte, and noise.
QImage indexedPicture(int w, int h, int colours) {
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb(i, 255 - i, (i * 37) % 256));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, uint(y % 3 == 0 ? 0xC5 % colours : (x / (y + 1) + y) % colours));
    return image;
}

QImage noise(int w, int h, quint32 seed) {
    QRandomGenerator random(seed);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFF));
    return image;
}

// Which pixels use index 0, row by row.
std::vector<bool> indexZero(const QImage& indexed) {
    std::vector<bool> zero;
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            zero.push_back(indexed.pixelIndex(x, y) == 0);
    return zero;
}

} // namespace

TEST(PcxWriter, EightBitReadsBackWithItsIndexesAndPalette) {
    for (QSize size : {QSize(1, 1), QSize(3, 2), QSize(64, 3), QSize(127, 9), QSize(200, 65)}) {
        const QImage want = indexedPicture(size.width(), size.height(), 256);
        const QByteArray file = encodePcx8(want);
        const pcx::PcxHeader h = pcx::PcxHeader::parse(bytesOf(file));
        EXPECT_EQ(h.version, 5);
        EXPECT_EQ(h.encoding, 1);
        EXPECT_EQ(h.bytes_per_line % 2, 0);
        EXPECT_EQ(file[file.size() - 769], 12);
        EXPECT_EQ(pcx::runs_across_lines(bytesOf(file)), 0u) << size.width();
        EXPECT_EQ(decoded(file), want) << size.width() << "x" << size.height();
    }
}

// Every format the writer converts row by row; the colours of translucent pixels are kept.
TEST(PcxWriter, TrueColourReadsBackAsThePictureWithoutAlpha) {
    QImage translucent = noise(33, 7, 1);
    for (int x = 0; x < translucent.width(); ++x)
        translucent.setPixel(x, x % 7, qRgba(200, 100, 50, x * 7));
    const QImage indexed = indexedPicture(31, 5, 200);
    for (const QImage& picture :
         {translucent, indexed, indexed.convertToFormat(QImage::Format_Mono),
          translucent.convertToFormat(QImage::Format_RGB888),
          noise(20, 3, 2).convertToFormat(QImage::Format_RGB32)}) {
        const QImage back = decoded(encodePcx24(picture));
        ASSERT_EQ(back.size(), picture.size()) << picture.format();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_EQ(back.pixel(x, y), picture.pixel(x, y) | 0xFF000000u)
                    << picture.format() << " at " << x << "," << y;
    }
}

// Readers take BytesPerLine and planes × BytesPerLine as signed: one pixel more than each
// limit would read back as a negative or overlong line.
TEST(PcxWriter, WritesWhatItReadsBackAndRefusesWhatAHeaderCannotHold) {
    struct Case {
        QSize size;
        bool truecolor;
        int limit; // 0: it fits
    };
    const Case cases[] = {
        {{kMaxPcx8Width, 1}, false, 0}, {{kMaxPcx8Width + 1, 1}, false, kMaxPcx8Width},
        {{kMaxPcx24Width, 1}, true, 0}, {{kMaxPcx24Width + 1, 1}, true, kMaxPcx24Width},
        {{1, kMaxPcxHeight}, false, 0}, {{1, kMaxPcxHeight + 1}, true, kMaxPcxHeight}};
    for (const Case& c : cases) {
        const QImage want = indexedPicture(c.size.width(), c.size.height(), 256);
        const auto encode = [&] { return c.truecolor ? encodePcx24(want) : encodePcx8(want); };
        if (c.limit == 0) {
            const QImage back = decoded(encode());
            EXPECT_EQ(c.truecolor ? back.convertToFormat(QImage::Format_RGB32) : back,
                      c.truecolor ? want.convertToFormat(QImage::Format_RGB32) : want)
                << c.size.width() << "x" << c.size.height();
            continue;
        }
        try {
            (void)encode();
            ADD_FAILURE() << c.size.width() << "x" << c.size.height() << " written";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errc::Overflow);
            EXPECT_TRUE(e.text().contains(QString::number(c.limit))) << e.text().toStdString();
        }
    }
    EXPECT_THROW((void)encodePcx8(QImage(8, 8, QImage::Format_RGB32)), Error);
}

TEST(Runs, RunsThatCrossScanLinesAreCounted) {
    QByteArray file(128, '\0');
    file[0] = 10, file[1] = 5, file[2] = 1, file[3] = 8, file[8] = 3, file[10] = 1, file[65] = 1,
    file[66] = 4; // 4x2, 4 bytes a line
    EXPECT_EQ(pcx::runs_across_lines(bytesOf(file + QByteArray("\xC4\x01\xC4\x02", 4))), 0u);
    EXPECT_EQ(pcx::runs_across_lines(bytesOf(file + QByteArray("\x01\xC6\x02\x03", 4))), 1u);
    // A file that ends early: what lies after it in memory is not read as a run.
    const QByteArray after = file + QByteArray("\x01\x02\x03\xC6", 4);
    EXPECT_EQ(pcx::runs_across_lines(bytesOf(after).first(131)), 0u);
}

TEST(Indexing, PalettedPicturesKeepTheirPaletteAndIndexes) {
    QImage duplicates = indexedPicture(20, 10, 256);
    QList<QRgb> table = duplicates.colorTable();
    table[7] = table[3]; // duplicates stay apart: a masked texture depends on which is used
    duplicates.setColorTable(table);
    EXPECT_EQ(toIndexed8(duplicates, {}), duplicates);
}

TEST(Indexing, FewColoursAreKeptExactlyAndManyAreReducedTo256) {
    const QImage few = indexedPicture(40, 30, 200).convertToFormat(QImage::Format_RGB32);
    const QImage exact = toIndexed8(few, {});
    EXPECT_EQ(exact.convertToFormat(QImage::Format_RGB32), few);
    const QImage many = toIndexed8(noise(64, 64, 2), {});
    ASSERT_FALSE(many.isNull());
    EXPECT_LE(many.colorCount(), 256);
}

// Index 0 is the mask colour and exactly the masked pixels use it, whichever way the picture
// becomes 8-bit, dithered or not, even when the palette holds the colour a second time, and
// whether its rows are read in place or converted one at a time.
TEST(Indexing, ExactlyTheMaskedPixelsUseIndexZero) {
    const QRgb magenta = qRgb(255, 0, 255);
    struct Case {
        const char* name;
        QImage picture;
        QList<QRgb> palette;
        QImage::Format format = QImage::Format_ARGB32;
    };
    QImage few = indexedPicture(30, 20, 40).convertToFormat(QImage::Format_ARGB32);
    QImage many = noise(64, 48, 3);
    QList<QRgb> given;
    for (int i = 0; i < 64; ++i)
        given.append(qRgb(i * 4, 255 - i * 4, (i * 50) % 256));
    given[9] = magenta;
    std::vector<Case> cases = {{"exact", few, {}},
                               {"reduced", many, {}},
                               {"premultiplied", many, {}, QImage::Format_ARGB32_Premultiplied},
                               {"palette", many, given, QImage::Format_RGBA8888}};
    for (Case& c : cases) {
        std::vector<bool> want;
        for (int y = 0; y < c.picture.height(); ++y)
            for (int x = 0; x < c.picture.width(); ++x) {
                const int kind = (x * 7 + y * 3) % 11; // masked by colour, by alpha, a near miss
                if (kind == 0) c.picture.setPixel(x, y, magenta);
                if (kind == 1) c.picture.setPixel(x, y, qRgba(10, 200, 30, 127));
                if (kind == 2) c.picture.setPixel(x, y, qRgba(250, 0, 250, 128));
                want.push_back(kind < 2);
            }
        c.picture = c.picture.convertToFormat(c.format);
        for (bool dither : {true, false}) {
            const QImage out = toIndexed8(c.picture, {dither, magenta, c.palette});
            ASSERT_FALSE(out.isNull()) << c.name;
            EXPECT_EQ(out.color(0), magenta) << c.name;
            EXPECT_EQ(indexZero(out), want) << c.name << " dither " << dither;
        }
    }
}

// The search skips most entries yet answers as comparing every one would, whatever the
// palette's spread and whatever the guess: dense, sparse, repeated entries, one entry.
TEST(Indexing, TheNearestEntryIsFoundExactly) {
    QRandomGenerator random(5);
    auto level = [&](int lo, int span) { return lo + int(random.bounded(span)); };
    struct Case {
        const char* name;
        int entries, lo, span, first;
    };
    for (const Case& c :
         {Case{"dense", 256, 100, 40, 0}, Case{"spread", 256, 0, 256, 1}, Case{"few", 5, 0, 256, 0},
          Case{"one", 2, 0, 256, 1}, Case{"repeated", 64, 0, 4, 0}}) {
        QList<QRgb> palette;
        for (int i = 0; i < c.entries; ++i)
            palette.append(qRgb(level(c.lo, c.span), level(c.lo, c.span), level(c.lo, c.span)));
        NearestColour nearest(palette, c.first);
        int mismatches = 0;
        for (int n = 0; n < 20000; ++n) {
            const int r = level(0, 256), g = level(0, 256), b = level(0, 256);
            auto d = [&](int i) {
                const int dr = qRed(palette[i]) - r, dg = qGreen(palette[i]) - g,
                          db = qBlue(palette[i]) - b;
                return dr * dr + dg * dg + db * db;
            };
            int best = c.first;
            for (int i = c.first; i < c.entries; ++i)
                if (d(i) < d(best)) best = i;
            const int guess = level(c.first, c.entries - c.first);
            const int found = nearest(r, g, b, guess);
            mismatches += found < c.first || d(found) != d(best);
        }
        EXPECT_EQ(mismatches, 0) << c.name;
    }
}

// Every unmasked pixel is counted once: exactly by colour up to the limit, past it in cubes at
// their pixels' mean, never more entries than allowed.
TEST(Indexing, ColoursAreCountedExactlyOrInCubesAtTheirMean) {
    QImage pairs(64, 64, QImage::Format_ARGB32); // 4096 colours, two in each cube of two levels
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pairs.setPixel(x, y, qRgb(x * 4 + (y & 1), (y >> 1) * 4, 9));
    struct Case {
        const char* name;
        QImage picture;
        std::size_t exact, cubes;
    };
    for (Case c : {Case{"exact", pairs, 5000, 5000}, Case{"cubes", pairs, 1000, 5000},
                   Case{"larger cubes", noise(300, 300, 4), 1000, 500}}) {
        std::uint64_t unmasked = 0;
        for (int y = 0; y < c.picture.height(); ++y)
            for (int x = 0; x < c.picture.width(); ++x)
                if ((x + y) % 3 == 0)
                    c.picture.setPixel(x, y, qRgba(1, 2, 3, 127));
                else
                    ++unmasked;
        PixelRows pixels(c.picture, qRgb(1, 2, 3));
        const std::vector<ColourCount> counts = countColours(pixels, c.exact, c.cubes);
        std::uint64_t total = 0;
        for (const ColourCount& e : counts)
            total += e.count;
        EXPECT_EQ(total, unmasked) << c.name;
        EXPECT_LE(counts.size(), c.cubes) << c.name;
    }
    PixelRows all(pairs, std::nullopt);
    EXPECT_EQ(countColours(all, 5000, 5000).size(), 4096u);
    const std::vector<ColourCount> cubes = countColours(all, 1000, 5000);
    EXPECT_EQ(cubes.size(), 2048u);
    EXPECT_TRUE(std::all_of(cubes.begin(), cubes.end(), [](const ColourCount& e) {
        return e.count == 2 && e.r % 4 == 1 && e.g % 4 == 0 && e.b == 9;
    }));
}

// Boxes split until each holds one colour or there are enough: few colours come back exactly,
// clusters at their weighted means, many as many entries as asked for.
TEST(Indexing, APaletteIsSplitFromTheCountsAtTheirMeans) {
    std::vector<ColourCount> many;
    for (int i = 0; i < 4096; ++i)
        many.push_back({std::uint8_t(i), std::uint8_t(i >> 4), std::uint8_t(i * 7), 1});
    struct Case {
        const char* name;
        std::vector<ColourCount> counts;
        int colours;
        QList<QRgb> want; // in any order; empty: only the number of entries is known
    };
    const Case cases[] = {{"exact",
                           {{1, 2, 3, 9}, {1, 2, 4, 1}, {1, 9, 3, 1}, {250, 0, 0, 1}},
                           8,
                           {qRgb(1, 2, 3), qRgb(1, 2, 4), qRgb(1, 9, 3), qRgb(250, 0, 0)}},
                          {"clusters",
                           {{10, 10, 10, 3}, {14, 10, 10, 1}, {200, 50, 90, 1}, {200, 54, 90, 1}},
                           2,
                           {qRgb(11, 10, 10), qRgb(200, 52, 90)}},
                          {"many", many, 256, {}}};
    for (const Case& c : cases) {
        QList<QRgb> got = boxPalette(c.counts, c.colours);
        if (c.want.isEmpty()) {
            EXPECT_EQ(got.size(), c.colours) << c.name;
            continue;
        }
        QList<QRgb> want = c.want;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << c.name;
    }
}

TEST(Indexing, AGivenPaletteIsUsedInItsOrder) {
    const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)};
    QImage picture(3, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(250, 10, 5));
    picture.setPixel(1, 0, qRgb(5, 5, 5));
    picture.setPixel(2, 0, qRgb(240, 240, 240));
    const QImage out = toIndexed8(picture, {false, std::nullopt, palette});
    EXPECT_EQ(out.colorTable(), palette);
    EXPECT_EQ(out.pixelIndex(0, 0), 2);
    EXPECT_EQ(out.pixelIndex(1, 0), 0);
    EXPECT_EQ(out.pixelIndex(2, 0), 1);
}

TEST(PaletteFile, GimpAndJascPalettesReadAndWriteBack) {
    const QList<QRgb> colours{qRgb(255, 0, 255), qRgb(0, 0, 0), qRgb(12, 200, 40)};
    EXPECT_EQ(parsePaletteText("GIMP Palette\nName: t\nColumns: 4\n#\n255 0 255 mask\n"
                               "  0   0   0\n\n12 200 40\tgreen\n"),
              colours);
    EXPECT_EQ(parsePaletteText("JASC-PAL\r\n0100\r\n3\r\n255 0 255\r\n0 0 0\r\n12 200 40\r\n"),
              colours);
    EXPECT_EQ(parsePaletteText(gimpPalette(colours, QStringLiteral("t"))), colours);
    EXPECT_EQ(parsePaletteText(jascPalette(colours)), colours);
    EXPECT_EQ(parsePaletteText("JASC-PAL\n0100\n1\n1 2 3\n"), QList<QRgb>{qRgb(1, 2, 3)});
}

TEST(PaletteFile, WhatIsNoPaletteIsToldWhy) {
    QByteArray tooMany = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i)
        tooMany += "1 2 3\n";
    const QByteArray bad[] = {"GIMP Palette\n1 2 256\n",
                              "GIMP Palette\n1 2\n",
                              "GIMP Palette\n# none\n",
                              "JASC-PAL\n0100\n3\n1 2 3\n",
                              "JASC-PAL\n0100\n0\n",
                              "JASC-PAL\n0100\n3\n1 2 3\n4 5 6",
                              tooMany,
                              "RIFF....PAL data",
                              ""};
    for (const QByteArray& text : bad)
        EXPECT_THROW((void)paletteOf(text), Error) << text.left(20).toStdString();
}
