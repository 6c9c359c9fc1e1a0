// The decoder core: one status per cause for every broken or refused file (the header's
// 16-bit arithmetic among them), and worked examples of both kinds of picture.
#include <gtest/gtest.h>

#include <functional>

#include "pcx_builder.h"

using namespace testing_pcx;
using pcx::Status;

namespace {

// A small well-formed 8-bit picture to patch.
Bytes goodFile() {
    PcxFile f = PcxFile::sized(4, 2, 4);
    f.data = {0xC4, 1, 2, 3, 4, 5};
    return f.bytes();
}

Bytes patched(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes,
              Bytes b = goodFile()) {
    for (auto [at, v] : bytes)
        b.at(at) = v;
    return b;
}

Bytes sized(int w, int h, int bpl, std::uint8_t planes, Bytes data = {},
            std::function<void(PcxFile&)> change = {}) {
    PcxFile f = PcxFile::sized(w, h, bpl, planes);
    f.data = std::move(data);
    if (change) change(f);
    return f.bytes();
}

Bytes cut(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

Bytes edges(int xmin, int xmax, int ymin, int ymax, std::uint8_t planes, int bpl) {
    return sized(1, 1, bpl, planes, Bytes(1100, 0xFF),
                 [=](PcxFile& f) { f.xmin = xmin, f.xmax = xmax, f.ymin = ymin, f.ymax = ymax; });
}

// Each file ends with the status of its own cause, decided before any pixel buffer is made
// where the file says enough.
TEST(PcxStatus, EachFileEndsWithTheStatusOfItsCause) {
    using enum pcx::Status;
    const struct {
        const char* what;
        Bytes file;
        Status status;
    } cases[] = {
        {"good", goodFile(), Ok},
        {"encoding 0: not read", patched({{2, 0}}), Ok},
        {"4 bits", patched({{3, 4}}), NotEightBit},
        {"24 bits", patched({{3, 24}}), NotEightBit},
        {"empty", {}, NotEightBit},
        {"3 bytes", cut(goodFile(), 3), NotEightBit},
        {"no plane", patched({{65, 0}}), UnsupportedPlanes},
        {"two planes", patched({{65, 2}}), UnsupportedPlanes},
        {"four planes", patched({{65, 4}}), UnsupportedPlanes},
        {"marker 10", patched({{goodFile().size() - 769, 10}}), NoPalette},
        {"Xmax -1", patched({{8, 0xFF}, {9, 0xFF}}), BadDimensions},
        {"Ymax -1", patched({{10, 0xFF}, {11, 0xFF}}), BadDimensions},
        {"line below 0", patched({{66, 0x00}, {67, 0x80}}), BadDimensions},
        {"width -32767", edges(0, -32768, 0, 0, 1, 2), BadDimensions},
        {"line 0", patched({{66, 0}, {67, 0}}), EmptyScanLine},
        {"Xmax-Xmin overflows", edges(-1, 32767, 0, 0, 1, 2), WidthOverflow},
        {"the added 1 overflows", edges(0, 32767, 0, 0, 1, 2), WidthOverflow},
        {"Ymax-Ymin overflows", edges(0, 0, -32768, 32767, 1, 2), HeightOverflow},
        {"height 32768", edges(0, 0, 0, 32767, 1, 2), HeightOverflow},
        {"3 x 10923", edges(0, 0, 0, 0, 3, 10923), LineOverflow},
        {"3 x -10923", edges(0, 0, 0, 0, 3, -10923), LineOverflow},
        {"3 x 10922", edges(0, 0, 0, 0, 3, 10922), Ok},
        {"header cut at 100", cut(goodFile(), 100), TruncatedHeader},
        {"no palette room", cut(goodFile(), 700), PaletteBeforeStart},
        {"palette room exactly, over the header", cut(goodFile(), 769), NoPalette},
        {"cut mid-row", sized(64, 100, 64, 1, {1, 2, 3}), DataEnded},
        {"cut after count", sized(64, 100, 64, 1, {0xC5}), DataEnded},
        {"tail read as rows", sized(2, 5000, 2, 1, {1, 2}), DataEnded},
        // A run of 63 from every two bytes could not fill these: refused unallocated.
        {"32767x32767", sized(32767, 32767, 32767, 1, Bytes(200, 0xFF)), DataTooShort},
        {"8000x32767", sized(8000, 32767, 8000, 1), DataTooShort},
        {"rgb 6000x30000", sized(6000, 30000, 6000, 3, Bytes(72, 0xFF)), DataTooShort},
        // 769 bytes give at most 24255 pixels, the closing 0 one more after an extra byte:
        // enough to try is not enough to decode.
        {"24255 wide", sized(24255, 1, 24255, 1), DataEnded},
        {"24256 wide", sized(24256, 1, 24256, 1), DataTooShort},
        {"24256, + 1 byte", sized(24256, 1, 24256, 1, {0xFF}), DataEnded},
        {"24257, + 1 byte", sized(24257, 1, 24257, 1, {0xFF}), DataTooShort},
        // Three lines of 3 x 21 samples: three runs of 63 fill them, the last taking the
        // closing 0 as its value; two runs and the closing 0 make 127 and cannot.
        {"rgb by 3 runs", sized(21, 3, 21, 3, {0xFF, 1, 0xFF, 2, 0xFF}), Ok},
        {"rgb short of 3", sized(21, 3, 21, 3, {0xFF, 1, 0xFF, 2}), DataTooShort},
        {"rgb past line + 1", sized(3, 2, 1, 3, {1, 2, 3}), PlaneReadOutside},
        {"rgb 32767 wide", sized(32767, 32767, 10922, 3, Bytes(1000, 0xFF)), PlaneReadOutside},
    };
    for (const auto& c : cases) {
        const auto r = decode(c.file);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(bool(r.image.pixels), c.status == Ok) << c.what;
    }
    // The limit is the largest buffer allowed: 64 x 64 pixels, 4 bytes or 1 each.
    for (const auto& [planes, bytes] : {std::pair{3, 4 * 64 * 64}, {1, 64 * 64}}) {
        const Bytes b = sized(64, 64, 64, std::uint8_t(planes), Bytes(400, 0xFF));
        pcx::Options limits{pcx::Kinds::Viewer, std::size_t(bytes)};
        EXPECT_EQ(pcx::decode(std::span(b.data(), b.size()), limits).status, Ok);
        limits.max_pixel_bytes -= 1;
        EXPECT_EQ(pcx::decode(std::span(b.data(), b.size()), limits).status, TooLarge);
    }
}

Bytes row(const pcx::Image& img, int y, int n) {
    const auto* p = img.pixels.get() + static_cast<std::size_t>(y) * img.stride;
    return Bytes(p, p + n);
}

// A worked example: the file's picture, `width` shown, and its rows as stored (8-bit: every
// stride byte; true colour: 0xFFRRGGBB per pixel), row after row.
struct Example {
    const char* what;
    Bytes file;
    int width;
    std::vector<std::uint32_t> stored;
};

Example paletted(const char* what, int w, int h, int bpl, Bytes data, int width,
                 std::vector<std::uint32_t> stored) {
    return {what, sized(w, h, bpl, 1, std::move(data)), width, std::move(stored)};
}

Example rgb(const char* what, int w, int h, int b, Bytes data, std::vector<std::uint32_t> stored,
            bool palette = false) {
    return {what, sized(w, h, b, 3, std::move(data), [=](PcxFile& f) { f.palette = palette; }), w,
            std::move(stored)};
}

std::uint32_t px(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}

TEST(PcxDecode, WorkedExamples) {
    const std::uint32_t grey = px(0x80, 0x80, 0x80), black = px(0, 0, 0);
    const Example cases[] = {
        paletted("rows top down", 4, 3, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 4,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
        // A count byte repeats the next byte; 0xBF is a literal; 0xC0 writes nothing.
        paletted("run bytes", 6, 1, 6, {0xC3, 0x07, 0xBF, 0xC0, 0x55, 0xC1, 0xC8, 0x01}, 6,
                 {7, 7, 7, 191, 0xC8, 1, 0, 0}),
        paletted("odd width: the pad column kept, not shown", 5, 2, 6,
                 {1, 2, 3, 4, 5, 99, 6, 7, 8, 9, 10, 98}, 5,
                 {1, 2, 3, 4, 5, 99, 0, 0, 6, 7, 8, 9, 10, 98, 0, 0}),
        // Count 5 at column 2 of a 4-byte line: two here, three in row 1; the run past the
        // last row is cut there.
        paletted("runs go on into the next row", 4, 2, 4, {1, 2, 0xC5, 9, 0xC4, 3}, 4,
                 {1, 2, 9, 9, 9, 9, 9, 3}),
        // Width 3, line 4: the run fills the pad column and goes on; the 7 is past the end.
        paletted("the pad column takes runs", 3, 2, 4, {0xC6, 5, 0xC2, 6, 7}, 3,
                 {5, 5, 5, 5, 5, 5, 6, 6}),
        paletted("line shorter than the width", 9, 2, 2, {0xC3, 8, 1}, 2, {8, 8, 0, 0, 8, 1, 0, 0}),
        rgb("planes red, green, blue", 2, 1, 2, {10, 20, 30, 40, 50, 60},
            {px(10, 30, 50), px(20, 40, 60)}),
        rgb("pad samples skipped, top down", 3, 2, 4,
            {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 11, 12, 13, 0, 14, 15, 16, 0, 17, 18, 19, 0},
            {px(1, 4, 7), px(2, 5, 8), px(3, 6, 9), px(11, 14, 17), px(12, 15, 18),
             px(13, 16, 19)}),
        // A run of 5 fills line 0's blue and 4 bytes of line 1; then the data ends.
        rgb("runs cross line ends", 1, 3, 1, {1, 2, 0xC5, 0xFF, 3},
            {px(1, 2, 255), px(255, 255, 255), px(255, 3, 0)}),
        rgb("short data: black below", 2, 2, 2, {0xC6, 0x80}, {grey, grey, black, black}),
        rgb("bytes after the last line ignored", 1, 1, 1, {1, 2, 3}, {px(1, 2, 3)}, true),
        // W = B + 1: column B takes green[0], blue[0] and the next line's red[0].
        rgb("width one above the line", 2, 2, 1, {1, 2, 3, 4, 5, 6},
            {px(1, 2, 3), px(2, 3, 4), px(4, 5, 6), px(5, 6, 0)}),
        // B = 0: every read of the one column is plane byte 0, the first decoded byte.
        rgb("empty lines, a literal", 1, 2, 0, {0x57, 9}, {px(87, 87, 87), px(87, 87, 87)}),
        rgb("empty lines, after a run of none", 1, 2, 0, {0xC0, 1, 0xC2, 0x31},
            {px(49, 49, 49), px(49, 49, 49)}),
        rgb("empty lines, no data", 1, 1, 0, {}, {black}),
    };
    for (const auto& c : cases) {
        const auto r = decode(c.file);
        ASSERT_EQ(r.status, Status::Ok) << c.what;
        const pcx::Image& img = r.image;
        EXPECT_EQ(img.width, c.width) << c.what;
        std::vector<std::uint32_t> stored;
        for (int y = 0; y < img.height; ++y)
            for (std::size_t x = 0; x < img.stride; ++x)
                if (img.format == pcx::PixelFormat::Indexed8)
                    stored.push_back(row(img, y, static_cast<int>(img.stride))[x]);
                else if (x % 4 == 0)
                    stored.push_back(at32(img, static_cast<int>(x / 4), y));
        EXPECT_EQ(stored, c.stored) << c.what;
    }
    // The builder's palette entry i is (i, 255 - i, i / 2).
    const auto r = decode(goodFile());
    EXPECT_EQ(r.image.colours[0], 0xFF00FF00u);
    EXPECT_EQ(r.image.colours[255], 0xFFFF007Fu);
}

TEST(Pcx8, ALargePictureFillsItsWholeBuffer) {
    // 2048 x 2048 is past the size whose buffer is taken from huge pages: every row, to the
    // last, must hold what the stream says.
    Bytes data;
    for (int y = 0; y < 2048; ++y)
        for (int i = 0; i < 32; ++i)
            data.insert(data.end(), {0xFF, static_cast<std::uint8_t>((y + i) % 192), 0xC1, 7});
    const auto r = decode(sized(2048, 2048, 2048, 1, data));
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
