// 256-colour pictures: run-length rules, row layout and palette order.
#include <gtest/gtest.h>

#include "pcx_builder.h"

using namespace testing_pcx;
using pcx::Status;

namespace {

pcx::Result decode8(int w, int h, int bpl, Bytes data) {
    PcxFile f = PcxFile::sized(w, h, bpl);
    f.data = std::move(data);
    return decode(f.bytes());
}

Bytes row(const pcx::Image& img, int y, int n) {
    const auto* p = img.pixels.get() + static_cast<std::size_t>(y) * img.stride;
    return Bytes(p, p + n);
}

TEST(Pcx8, RowsAreTopDownWithTheirPalette) {
    auto r = decode8(4, 3, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    ASSERT_EQ(r.status, Status::Ok);
    const auto& img = r.image;
    EXPECT_EQ(img.format, pcx::PixelFormat::Indexed8);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(row(img, 0, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(row(img, 2, 4), (Bytes{9, 10, 11, 12}));
    // File entry i is (i, 255 - i, i / 2); entry 255 is (255, 0, 127).
    EXPECT_EQ(img.colours[0], 0xFF00FF00u);
    EXPECT_EQ(img.colours[255], 0xFFFF007Fu);
}

TEST(Pcx8, RunLengthBytes) {
    // A count byte repeats the next byte; 0xBF is a literal; 0xC0 writes nothing.
    auto r = decode8(6, 1, 6, {0xC3, 0x07, 0xBF, 0xC0, 0x55, 0xC1, 0xC8, 0x01});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(row(r.image, 0, 6), (Bytes{7, 7, 7, 191, 0xC8, 1}));
}

TEST(Pcx8, OddWidthKeepsStrideButHidesThePadColumn) {
    auto r = decode8(5, 2, 6, {1, 2, 3, 4, 5, 99, 6, 7, 8, 9, 10, 98});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.image.width, 5);
    EXPECT_EQ(r.image.stride, 8u);
    EXPECT_EQ(row(r.image, 0, 8), (Bytes{1, 2, 3, 4, 5, 99, 0, 0}));
    EXPECT_EQ(row(r.image, 1, 8), (Bytes{6, 7, 8, 9, 10, 98, 0, 0}));
}

TEST(Pcx8, RunsGoOnIntoTheNextRow) {
    // Count 5 at column 2 of a 4-byte line: two pixels here, three at the start of row 1.
    // A run past the end of the last row is cut there.
    auto r = decode8(4, 2, 4, {1, 2, 0xC5, 9, 0xC4, 3});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(row(r.image, 0, 4), (Bytes{1, 2, 9, 9}));
    EXPECT_EQ(row(r.image, 1, 4), (Bytes{9, 9, 9, 3}));
}

TEST(Pcx8, APictureEncodedAsOneStreamDecodesToItself) {
    // Odd widths with their pad column, even ones, rows that are one span (a multiple of 4)
    // and rows long enough for the block decoder.
    for (auto [w, n] : {std::pair{5, 6}, {7, 7}, {40, 40}, {301, 302}, {300, 300}}) {
        SCOPED_TRACE(n);
        const int h = 9;
        const Bytes samples = rowCrossingSamples(n, h);
        Bytes data = encodeStream(samples);
        ASSERT_EQ(rowEndsInsideRuns(data, static_cast<std::size_t>(n)), h - 1);
        auto r = decode8(w, h, n, std::move(data));
        ASSERT_EQ(r.status, Status::Ok);
        EXPECT_EQ(r.image.width, w);
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(row(r.image, y, n),
                      Bytes(samples.begin() + y * n, samples.begin() + (y + 1) * n));
    }
}

TEST(Pcx8, PadColumnAndShortLinesTakeRunsLikeAnyColumn) {
    // Width 3, line 4: the run fills the hidden pad column and goes on into the next row;
    // the 7 comes after the last row and is not decoded.
    auto r = decode8(3, 2, 4, {0xC6, 5, 0xC2, 6, 7});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.image.width, 3);
    EXPECT_EQ(row(r.image, 0, 4), (Bytes{5, 5, 5, 5}));
    EXPECT_EQ(row(r.image, 1, 4), (Bytes{5, 5, 6, 6}));
    // A line shorter than the width: rows hold the line, the stride pad stays 0.
    for (int w : {4, 9}) {
        auto fits = decode8(w, 2, 2, {0xC3, 8, 1});
        ASSERT_EQ(fits.status, Status::Ok) << w;
        EXPECT_EQ(fits.image.width, 2);
        EXPECT_EQ(row(fits.image, 0, 4), (Bytes{8, 8, 0, 0}));
        EXPECT_EQ(row(fits.image, 1, 4), (Bytes{8, 1, 0, 0}));
    }
}

TEST(Pcx8, DataThatRunsIntoThePaletteFails) {
    // Too little data for 5000 rows: the marker and palette decode as 4548 pixels, then it
    // ends, though 771 bytes might have given 24318.
    auto r = decode8(2, 5000, 2, {1, 2});
    EXPECT_EQ(r.status, Status::DataEnded);
    EXPECT_FALSE(r.image.pixels);
}

TEST(Pcx8, WideFlatAndLiteralRowsMatchAPlainDecode) {
    // Exercises the 16-byte literal path against runs on a long row.
    Bytes data, want;
    for (int i = 0; i < 100; ++i) {
        data.push_back(static_cast<std::uint8_t>(i % 150));
        want.push_back(static_cast<std::uint8_t>(i % 150));
        if (i % 37 == 0) {
            data.insert(data.end(), {0xFF, 0xEE});
            want.insert(want.end(), 63, 0xEE);
        }
    }
    const int n = static_cast<int>(want.size()) & ~1;
    want.resize(static_cast<std::size_t>(n));
    auto r = decode8(n, 1, n, data);
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(row(r.image, 0, n), want);
}

TEST(Pcx8, ALargePictureFillsItsWholeBuffer) {
    // 2048 x 2048 is past the size whose buffer is taken from huge pages: every row, to the
    // last, must hold what the stream says.
    Bytes data;
    for (int y = 0; y < 2048; ++y)
        for (int i = 0; i < 32; ++i)
            data.insert(data.end(), {0xFF, static_cast<std::uint8_t>((y + i) % 192), 0xC1, 7});
    auto r = decode8(2048, 2048, 2048, data);
    ASSERT_EQ(r.status, Status::Ok);
    for (int y : {0, 1, 1000, 2047}) {
        const Bytes got = row(r.image, y, 2048);
        EXPECT_EQ(got[0], y % 192);
        EXPECT_EQ(got[63], 7);
        EXPECT_EQ(got[2047], 7);
        EXPECT_EQ(got[2046], (y + 31) % 192) << y;
    }
}

} // namespace
