// True-colour pictures: plane order, one stream across lines, short and long data.
#include <gtest/gtest.h>

#include "pcx_builder.h"

using namespace testing_pcx;
using pcx::Status;

namespace {

pcx::Result decode24(int w, int h, int bpl, Bytes data) {
    PcxFile f = PcxFile::sized(w, h, bpl, 3);
    f.data = std::move(data);
    return decode(f.bytes());
}

std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}

TEST(Pcx24, PlanesAreRedGreenBlue) {
    auto r = decode24(2, 1, 2, {10, 20, 30, 40, 50, 60});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.image.format, pcx::PixelFormat::Rgb32);
    EXPECT_EQ(at32(r.image, 0, 0), rgb(10, 30, 50));
    EXPECT_EQ(at32(r.image, 1, 0), rgb(20, 40, 60));
}

TEST(Pcx24, PadSamplesOfEachPlaneAreSkipped) {
    auto r = decode24(3, 2, 4, {1,  2,  3,  0, 4,  5,  6,  0, 7,  8,  9,  0, //
                                11, 12, 13, 0, 14, 15, 16, 0, 17, 18, 19, 0});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.image.width, 3);
    EXPECT_EQ(at32(r.image, 2, 0), rgb(3, 6, 9));
    EXPECT_EQ(at32(r.image, 0, 1), rgb(11, 14, 17)); // top-down
}

TEST(Pcx24, RunsCrossLineEnds) {
    // Line 0: red 1, green 2, then a run of 5 fills its blue byte and 4 bytes of line 1.
    auto r = decode24(1, 3, 1, {1, 2, 0xC5, 0xFF, 3});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(at32(r.image, 0, 0), rgb(1, 2, 255));
    EXPECT_EQ(at32(r.image, 0, 1), rgb(255, 255, 255));
    EXPECT_EQ(at32(r.image, 0, 2), rgb(255, 3, 0)); // then the data ends: blue stays 0
}

TEST(Pcx24, APictureEncodedAsOneStreamDecodesToItself) {
    for (auto [w, b] : {std::pair{5, 6}, {7, 7}, {40, 40}, {301, 302}}) {
        SCOPED_TRACE(b);
        const int h = 7, line = 3 * b;
        const Bytes s = rowCrossingSamples(line, h);
        Bytes data = encodeStream(s);
        ASSERT_EQ(rowEndsInsideRuns(data, static_cast<std::size_t>(line)), h - 1);
        auto r = decode24(w, h, b, std::move(data));
        ASSERT_EQ(r.status, Status::Ok);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto i = static_cast<std::size_t>(y * line + x);
                ASSERT_EQ(at32(r.image, x, y), rgb(s[i], s[i + b], s[i + 2 * b])) << x << "," << y;
            }
    }
}

TEST(Pcx24, ShortDataLeavesTheRestBlack) {
    auto r = decode24(2, 4, 2, {0xC6, 0x80});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(at32(r.image, 1, 0), rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(at32(r.image, 0, 1), rgb(0, 0, 0));
    EXPECT_EQ(at32(r.image, 1, 3), rgb(0, 0, 0));
}

TEST(Pcx24, BytesAfterTheLastLineAreIgnored) {
    PcxFile f = PcxFile::sized(1, 1, 1, 3);
    f.data = {1, 2, 3};
    f.palette = true; // some writers append a palette even to true-colour files
    auto r = decode(f.bytes());
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(at32(r.image, 0, 0), rgb(1, 2, 3));
}

TEST(Pcx24, WidthOneAboveTheLineReadsTheNeighbouringPlanes) {
    // W = B + 1: column B takes green[0], blue[0] and the next line's red[0].
    auto r = decode24(2, 2, 1, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(at32(r.image, 1, 0), rgb(2, 3, 4));
    EXPECT_EQ(at32(r.image, 1, 1), rgb(5, 6, 0));
    EXPECT_EQ(decode24(3, 2, 1, {1, 2, 3}).status, Status::PlaneReadOutside);
}

TEST(Pcx24, EmptyLinesReadTheFirstDecodedByteEverywhere) {
    // B = 0: every read of the one column is plane byte 0, the first byte the data gives.
    const std::pair<Bytes, std::uint32_t> cases[] = {
        {{0x57, 9}, 0x57}, {{0xC0, 1, 0xC2, 0x31}, 0x31}, {{}, 0}};
    for (const auto& [data, first] : cases) {
        auto r = decode24(1, 3, 0, data);
        ASSERT_EQ(r.status, Status::Ok);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(at32(r.image, 0, y), rgb(first, first, first)) << y;
    }
}

} // namespace
