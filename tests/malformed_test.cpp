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
    PcxFile f = PcxFile::sized(64, 380, 64);
    f.data = {1, 2, 3};
    EXPECT_EQ(statusOf(f.bytes()), Status::DataEnded);
    f.data = {0xC5};
    EXPECT_EQ(statusOf(f.bytes()), Status::DataEnded);
}

TEST(Malformed, TinyFileClaimingAHugePicture) {
    PcxFile f = PcxFile::sized(32767, 32767, 32766);
    f.data.assign(200, 0xFF);
    EXPECT_EQ(statusOf(f.bytes()), Status::DataTooShort);
    PcxFile rgb = PcxFile::sized(32767, 32767, 10922, 3);
    rgb.data.assign(1000, 0xFF);
    EXPECT_EQ(statusOf(rgb.bytes()), Status::PlaneReadOutside);
    rgb.xmax = 10921;
    EXPECT_EQ(statusOf(rgb.bytes()), Status::TooLarge);
}

} // namespace
