// Header reading and the signed 16-bit arithmetic that guards every size.
#include <gtest/gtest.h>

#include "pcx_builder.h"

using namespace testing_pcx;
using pcx::Status;

namespace {

Status geometryOf(int xmin, int xmax, int ymin, int ymax, int planes, int bpl,
                  pcx::Geometry* out = nullptr) {
    PcxFile f;
    f.xmin = xmin, f.xmax = xmax, f.ymin = ymin, f.ymax = ymax;
    f.planes = static_cast<std::uint8_t>(planes);
    f.bytes_per_line = bpl;
    const Bytes b = f.bytes();
    pcx::Geometry g;
    Status s = pcx::compute_geometry(pcx::PcxHeader::parse(b), g);
    if (out) *out = g;
    return s;
}

TEST(PcxHeader, ReadsSignedLittleEndianFields) {
    PcxFile f = PcxFile::sized(640, 480, 640);
    f.xmin = -2;
    const auto h = pcx::PcxHeader::parse(f.bytes());
    EXPECT_EQ(h.bits_per_pixel, 8);
    EXPECT_EQ(h.xmin, -2);
    EXPECT_EQ(h.xmax, 639);
    EXPECT_EQ(h.ymax, 479);
    EXPECT_EQ(h.bytes_per_line, 640);
    EXPECT_EQ(pcx::PcxHeader::parse(Bytes{0x0A, 0x05, 0x01}).bits_per_pixel, 0);
}

TEST(PcxHeader, SizesComeFromInclusiveEdges) {
    pcx::Geometry g;
    ASSERT_EQ(geometryOf(0, 639, 0, 479, 1, 640, &g), Status::Ok);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 480);
    ASSERT_EQ(geometryOf(7, 7, -3, -3, 3, 2, &g), Status::Ok);
    EXPECT_EQ(g.width, 1);
    EXPECT_EQ(g.height, 1);
    EXPECT_EQ(g.line, 6);
}

TEST(PcxHeader, EverySixteenBitOverflowIsReported) {
    // The difference alone overflows, then only the added 1 does.
    EXPECT_EQ(geometryOf(-1, 32767, 0, 0, 1, 2), Status::WidthOverflow);
    EXPECT_EQ(geometryOf(0, 32767, 0, 0, 1, 2), Status::WidthOverflow);
    EXPECT_EQ(geometryOf(0, -32768, 0, 0, 1, 2), Status::Ok); // negative width, no overflow
    EXPECT_EQ(geometryOf(0, 0, -32768, 32767, 1, 2), Status::HeightOverflow);
    EXPECT_EQ(geometryOf(0, 0, 0, 32767, 1, 2), Status::HeightOverflow);
    EXPECT_EQ(geometryOf(0, 0, 0, 0, 3, 10923), Status::LineOverflow);
    EXPECT_EQ(geometryOf(0, 0, 0, 0, 3, 10922), Status::Ok);
    EXPECT_EQ(geometryOf(0, 0, 0, 0, 3, -10923), Status::LineOverflow);
}

TEST(PcxHeader, OnlyEightBitOneOrThreePlanesAreAccepted) {
    for (std::uint8_t bits : {1, 2, 4, 24}) {
        PcxFile f = PcxFile::sized(4, 1, 4);
        f.bits = bits;
        EXPECT_EQ(decode(f.bytes()).status, Status::NotEightBit) << int(bits);
    }
    for (std::uint8_t planes : {0, 2, 4}) {
        PcxFile f = PcxFile::sized(4, 1, 4, planes);
        EXPECT_EQ(decode(f.bytes()).status, Status::UnsupportedPlanes) << int(planes);
    }
    EXPECT_EQ(decode(Bytes{}).status, Status::NotEightBit);
    EXPECT_EQ(pcx::outcome(Status::NotEightBit), pcx::Outcome::Refused);
}

TEST(PcxHeader, EncodingByteIsIgnored) {
    PcxFile f = PcxFile::sized(2, 1, 2);
    f.data = {0xC2, 0x09};
    Bytes b = f.bytes();
    b[2] = 0;
    EXPECT_EQ(decode(b).status, Status::Ok);
}

TEST(PcxStatus, FailuresCarryTheProgramsErrorNumbers) {
    EXPECT_EQ(pcx::error_number(Status::WidthOverflow), 6);
    EXPECT_EQ(pcx::error_number(Status::OutOfMemory), 7);
    EXPECT_EQ(pcx::error_number(Status::TooLarge), 7);
    EXPECT_EQ(pcx::error_number(Status::DataEnded), 9);
    EXPECT_EQ(pcx::error_number(Status::PaletteBeforeStart), 63);
    EXPECT_EQ(pcx::error_number(Status::NoPalette), 0);
}

} // namespace
