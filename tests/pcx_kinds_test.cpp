// The kinds beyond the viewer's, read when every kind is asked for: one status per cause,
// worked examples of each layout, the colour rules of the header palette, and DCX tables.
#include <gtest/gtest.h>

#include <functional>

#include "pcx/dcx.h"
#include "pcx_builder.h"

using namespace testing_pcx;
using pcx::Status;

namespace {

pcx::Result every(const PcxFile& f) {
    return decode(f.bytes(), pcx::Kinds::Every);
}

PcxFile with(PcxFile f, std::function<void(PcxFile&)> change) {
    change(f);
    return f;
}

TEST(PcxKinds, EachFileEndsWithTheStatusOfItsCause) {
    using enum pcx::Status;
    const PcxFile one = PcxFile::low(1, 1, 16, 2, 2, {1, 2, 3, 4});
    const struct {
        const char* what;
        PcxFile file;
        Status status;
    } cases[] = {
        {"1 bit, 16 in 2 bytes", one, Ok},
        {"24 bits, 1 plane", with(one, [](PcxFile& f) { f.bits = 24; }), UnknownKind},
        {"8 bits, 2 planes", with(one, [](PcxFile& f) { f.bits = 8, f.planes = 2; }), UnknownKind},
        {"2 bits, 2 planes", with(one, [](PcxFile& f) { f.bits = 2, f.planes = 2; }), UnknownKind},
        {"1 bit, 5 planes", with(one, [](PcxFile& f) { f.planes = 5; }), UnknownKind},
        {"1 bit, 17 in 2 bytes", with(one, [](PcxFile& f) { f.xmax = 16; }), LineTooShort},
        {"2 bits, 9 in 2 bytes", with(one, [](PcxFile& f) { f.bits = 2, f.xmax = 8; }),
         LineTooShort},
        {"4 bits, 5 in 2 bytes", with(one, [](PcxFile& f) { f.bits = 4, f.xmax = 4; }),
         LineTooShort},
        {"planar, 17 in 2 bytes", with(one, [](PcxFile& f) { f.planes = 4, f.xmax = 16; }),
         LineTooShort},
        {"alpha, 3 in 2 bytes", PcxFile::low(8, 4, 3, 1, 2, Bytes(8, 1)), LineTooShort},
        {"BytesPerLine 0", PcxFile::low(1, 2, 1, 1, 0, {}), LineTooShort},
        {"no rows", with(one, [](PcxFile& f) { f.ymax = -1; }), BadDimensions},
        {"runs cannot fill 8000 rows", PcxFile::low(1, 1, 8, 8000, 1, Bytes(200, 0xFF)),
         DataTooShort},
        {"stored, a byte short", with(one, [](PcxFile& f) { f.encoding = 0, f.data.pop_back(); }),
         DataTooShort},
        {"stored, whole", with(one, [](PcxFile& f) { f.encoding = 0; }), Ok},
        {"runs end a row early", PcxFile::low(1, 1, 8, 100, 1, {0xC5, 1, 2}), DataEnded},
        {"width overflows", with(one, [](PcxFile& f) { f.xmin = -1, f.xmax = 32767; }),
         WidthOverflow},
    };
    for (const auto& c : cases) {
        const auto r = every(c.file);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(bool(r.image.pixels), c.status == Ok) << c.what;
    }
    // The viewer keeps refusing them.
    EXPECT_EQ(decode(one.bytes()).status, NotEightBit);
    EXPECT_EQ(decode(PcxFile::low(8, 4, 1, 1, 1, Bytes(4, 1)).bytes()).status, UnsupportedPlanes);
    const Bytes big = PcxFile::low(4, 1, 64, 64, 32, Bytes(600, 0xFF)).bytes();
    EXPECT_EQ(
        pcx::decode(std::span(big.data(), big.size()), {pcx::Kinds::Every, 64 * 64 - 1}).status,
        TooLarge);
}

// A worked example: the picture's rows, `width` values each (indexes, or 0xAARRGGBB words).
// Two-colour rows stay bits, those past the width cleared.
struct Example {
    const char* what;
    PcxFile file;
    std::vector<std::uint32_t> rows;
};

TEST(PcxKinds, WorkedExamples) {
    const Example cases[] = {
        {"1 bit: leftmost the high bit",
         PcxFile::low(1, 1, 10, 1, 2, {0xB1, 0x80}),
         {1, 0, 1, 1, 0, 0, 0, 1, 1, 0}},
        {"2 bits", PcxFile::low(2, 1, 5, 1, 2, {0x1B, 0xC1, 0xC0}), {0, 1, 2, 3, 3}},
        {"4 bits, two rows",
         PcxFile::low(4, 1, 3, 2, 2, {0x3A, 0x50, 0xB1, 0x20}),
         {3, 10, 5, 11, 1, 2}},
        {"2 planes: bit n from plane n", PcxFile::low(1, 2, 4, 1, 1, {0x50, 0x30}), {0, 1, 2, 3}},
        {"4 planes, nine wide",
         PcxFile::low(1, 4, 9, 1, 2, {0, 0x80, 0, 0, 0xC1, 0xFF, 0x80, 0, 0}),
         {4, 4, 4, 4, 4, 4, 4, 4, 5}},
        {"a run across rows", PcxFile::low(4, 1, 2, 2, 1, {0xC2, 0x12}), {1, 2, 1, 2}},
        {"stored: count bytes are pixels",
         with(PcxFile::low(4, 1, 2, 2, 1, {0xC2, 0x12}), [](PcxFile& f) { f.encoding = 0; }),
         {12, 2, 1, 2}},
        {"alpha plane",
         PcxFile::low(8, 4, 2, 1, 2, {1, 2, 3, 4, 5, 6, 0, 0xC1, 0xFF}),
         {0x00010305, 0xFF020406}},
    };
    for (const auto& c : cases) {
        const auto r = every(c.file);
        ASSERT_EQ(r.status, Status::Ok) << c.what;
        const pcx::Image& img = r.image;
        std::vector<std::uint32_t> rows;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                rows.push_back(img.format == pcx::PixelFormat::Mono1
                                   ? (at8(img, x / 8, y) >> (7 - x % 8)) & 1u
                               : img.format == pcx::PixelFormat::Indexed8 ? at8(img, x, y)
                                                                          : at32(img, x, y));
        EXPECT_EQ(rows, c.rows) << c.what;
    }
}

TEST(PcxKinds, ColoursComeFromTheHeaderByTheRuleOfEachCase) {
    const Bytes ramp = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::uint32_t black = 0xFF000000, white = 0xFFFFFFFF;
    const struct {
        const char* what;
        std::uint8_t bits, planes, version;
        Bytes colours;
        std::vector<std::uint32_t> want;
    } cases[] = {
        {"1 bit: the header's two", 1, 1, 5, {9, 9, 9, 200, 0, 0}, {0xFF090909, 0xFFC80000}},
        {"1 bit: the same two twice", 1, 1, 5, {7, 7, 7, 7, 7, 7}, {black, white}},
        {"1 bit, Version 3: still the header's", 1, 1, 3, {9, 9, 9}, {0xFF090909, black}},
        {"2 bits: the header's four",
         2,
         1,
         5,
         ramp,
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C}},
        {"2 bits, no palette: CGA", 2, 1, 5, {}, {black, 0xFF55FFFF, 0xFFFF55FF, white}},
        {"3 planes: the header's eight",
         1,
         3,
         5,
         ramp,
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, black, black, black, black}},
        {"4 bits, Version 3: EGA",
         4,
         1,
         3,
         ramp,
         {black, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA, 0xFFAA5500, 0xFFAAAAAA,
          0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF, 0xFFFF5555, 0xFFFF55FF, 0xFFFFFF55,
          white}},
    };
    for (const auto& c : cases) {
        PcxFile f = PcxFile::low(c.bits, c.planes, 1, 1, 1, Bytes(4, 0));
        f.version = c.version;
        f.colours = c.colours;
        const auto r = every(f);
        ASSERT_EQ(r.status, Status::Ok) << c.what;
        const auto& got = r.image.colours;
        EXPECT_EQ(std::vector(got.begin(), got.begin() + r.image.colour_count), c.want) << c.what;
    }
}

Bytes dcx(std::vector<std::uint32_t> offsets, std::size_t size) {
    Bytes b(size, 0);
    offsets.insert(offsets.begin(), pcx::kDcxMagic);
    for (std::size_t i = 0; i < offsets.size() && 4 * i + 4 <= size; ++i)
        for (std::size_t k = 0; k < 4; ++k)
            b[4 * i + k] = static_cast<std::uint8_t>(offsets[i] >> (8 * k));
    return b;
}

TEST(Dcx, TheTableGivesThePagesOrItsFault) {
    using enum pcx::Status;
    std::vector<std::uint32_t> full(1024, 5000);
    for (std::size_t i = 0; i < full.size(); ++i)
        full[i] += static_cast<std::uint32_t>(i);
    const struct {
        const char* what;
        Bytes file;
        Status status;
    } cases[] = {
        {"two pages", dcx({20, 30}, 40), Ok},
        {"cut in the table", dcx({20, 30}, 12), DcxTableCut},
        {"no pages", dcx({}, 40), DcxNoPages},
        {"1024 pages", dcx(full, 4 * 1026 + 6000), DcxTooManyPages},
        {"1023 pages", dcx(std::vector(full.begin(), full.end() - 1), 4 * 1026 + 6000), Ok},
        {"page at the end", dcx({20, 40}, 40), DcxPageOutside},
        {"page in the table", dcx({8}, 40), DcxPageInTable},
        {"page before the last", dcx({30, 20}, 40), DcxPageOrder},
        {"page on the last", dcx({20, 20}, 40), DcxPageOrder},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(pcx::is_dcx(c.file)) << c.what;
        const auto r = pcx::dcx_pages(c.file);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.pages.empty(), c.status != Ok) << c.what;
    }
    const Bytes two = dcx({20, 30}, 40);
    const auto r = pcx::dcx_pages(two);
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.pages[0].data(), two.data() + 20);
    EXPECT_EQ(r.pages[0].size(), 10u);
    EXPECT_EQ(r.pages[1].size(), 10u);
}

} // namespace
