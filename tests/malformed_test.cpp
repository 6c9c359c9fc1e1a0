// Broken files end as a refusal or an error, before any large allocation.
#include <gtest/gtest.h>

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

Bytes patched(Bytes b, std::size_t at, std::initializer_list<std::uint8_t> with) {
    for (auto v : with)
        b.at(at++) = v;
    return b;
}

Status statusOf(const Bytes& b) {
    return decode(b).status;
}

TEST(Malformed, GoodFileDecodes) {
    EXPECT_EQ(statusOf(goodFile()), Status::Ok);
}

TEST(Malformed, ShortFiles) {
    Bytes header = goodFile();
    header.resize(100); // still says 8 bits and one plane
    EXPECT_EQ(statusOf(header), Status::TruncatedHeader);
    header.resize(3);
    EXPECT_EQ(statusOf(header), Status::NotEightBit);
    Bytes noTail = goodFile();
    noTail.resize(700);
    EXPECT_EQ(statusOf(noTail), Status::PaletteBeforeStart);
}

TEST(Malformed, PaletteMarker) {
    Bytes b = goodFile();
    b[b.size() - 769] = 10;
    EXPECT_EQ(statusOf(b), Status::NoPalette);
}

TEST(Malformed, DimensionsBelowOneAreRefused) {
    EXPECT_EQ(statusOf(patched(goodFile(), 8, {0xFF, 0xFF})), Status::BadDimensions); // Xmax -1
    EXPECT_EQ(statusOf(patched(goodFile(), 10, {0xFF, 0xFF})), Status::BadDimensions);
    EXPECT_EQ(statusOf(patched(goodFile(), 66, {0x00, 0x80})), Status::BadDimensions);
    EXPECT_EQ(statusOf(patched(goodFile(), 66, {0, 0})), Status::EmptyScanLine);
    EXPECT_EQ(pcx::outcome(Status::BadDimensions), pcx::Outcome::Refused);
}

TEST(Malformed, OverflowingHeaders) {
    EXPECT_EQ(statusOf(patched(goodFile(), 4, {0xFF, 0xFF, 0, 0, 0xFF, 0x7F})),
              Status::WidthOverflow);
    EXPECT_EQ(statusOf(patched(goodFile(), 10, {0xFF, 0x7F})), Status::HeightOverflow);
    PcxFile f = PcxFile::sized(4, 2, 0x4000, 3);
    EXPECT_EQ(statusOf(f.bytes()), Status::LineOverflow);
}

TEST(Malformed, DataCutShort) {
    // Cut mid-row, and between a count byte and its value: the palette tail is then read
    // as pixels until the stream ends.
    PcxFile f = PcxFile::sized(64, 100, 64);
    f.data = {1, 2, 3};
    EXPECT_EQ(statusOf(f.bytes()), Status::DataEnded);
    f.data = {0xC5};
    EXPECT_EQ(statusOf(f.bytes()), Status::DataEnded);
}

TEST(Malformed, TinyFileClaimingAHugePicture) {
    // Refused before any pixel buffer is made: even a run of 63 from every two bytes could
    // not fill the picture. The same bytes sit in tests/data/malformed.
    struct Claim {
        int w, h, planes;
        std::size_t data; // bytes after the header, the palette tail aside
    };
    for (auto c : {Claim{32767, 32767, 1, 200}, Claim{8000, 32767, 1, 0}, Claim{6000, 30000, 1, 72},
                   Claim{8000, 32767, 3, 0}, Claim{6000, 30000, 3, 72}}) {
        PcxFile f = PcxFile::sized(c.w, c.h, c.w, static_cast<std::uint8_t>(c.planes));
        f.data.assign(c.data, 0xFF);
        EXPECT_EQ(statusOf(f.bytes()), Status::DataTooShort) << c.w << "x" << c.h;
    }
    EXPECT_EQ(pcx::error_number(Status::DataTooShort), 9);
    PcxFile rgb = PcxFile::sized(32767, 32767, 10922, 3);
    rgb.data.assign(1000, 0xFF);
    EXPECT_EQ(statusOf(rgb.bytes()), Status::PlaneReadOutside);
}

TEST(Malformed, OnlyDataThatCannotFillThePictureIsRefusedEarly) {
    // 24-bit, 3 lines of 3 x 21 samples: three runs of 63 fill them, the last taking the
    // closing 0 as its value; two runs and the closing 0 make 127 and cannot.
    PcxFile rgb = PcxFile::sized(21, 3, 21, 3);
    rgb.data = {0xFF, 1, 0xFF, 2, 0xFF};
    EXPECT_EQ(statusOf(rgb.bytes()), Status::Ok);
    rgb.data.pop_back();
    EXPECT_EQ(statusOf(rgb.bytes()), Status::DataTooShort);
    // 8-bit: the palette tail is part of the stream. 769 bytes give at most 24255, and one
    // more byte adds the closing 0 as a literal. Enough to try is not enough to decode.
    for (std::size_t extra : {0u, 1u}) {
        const int most = 24255 + static_cast<int>(extra);
        PcxFile f = PcxFile::sized(most, 1, most);
        f.data.assign(extra, 0xFF);
        EXPECT_EQ(statusOf(f.bytes()), Status::DataEnded) << extra;
        f = PcxFile::sized(most + 1, 1, most + 1);
        f.data.assign(extra, 0xFF);
        EXPECT_EQ(statusOf(f.bytes()), Status::DataTooShort) << extra;
    }
}

TEST(Malformed, LargerThanTheCallerAllows) {
    PcxFile f = PcxFile::sized(64, 64, 64, 3);
    f.data.assign(400, 0xFF);
    const Bytes b = f.bytes();
    pcx::Limits limits;
    limits.max_pixel_bytes = 4 * 64 * 64 - 1;
    const auto r = pcx::decode(std::span(b.data(), b.size()), limits);
    EXPECT_EQ(r.status, Status::TooLarge);
    EXPECT_FALSE(r.image.pixels);
}

} // namespace
