// The fast decoder against the plain one on many generated streams: long literal stretches,
// dense runs, runs across line ends, odd and short lines, data that ends early.
#include <gtest/gtest.h>
#include <random>

#include "pcx_builder.h"
#include "reference_decode.h"

using namespace testing_pcx;

namespace {

Bytes randomStream(std::mt19937& rng, std::size_t size) {
    std::uniform_int_distribution<int> byte(0, 255), mode(0, 3);
    Bytes out;
    while (out.size() < size) {
        const int m = mode(rng);
        const int len = byte(rng) % 80 + 1;
        for (int i = 0; i < len; ++i) {
            if (m == 0)
                out.push_back(static_cast<std::uint8_t>(byte(rng) % 0xC0)); // literals
            else if (m == 1)
                out.push_back(static_cast<std::uint8_t>(byte(rng))); // anything
            else if (m == 2)
                out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(i)});
            else
                out.push_back(static_cast<std::uint8_t>(0xC0 | (byte(rng) % 4)));
        }
    }
    out.resize(size);
    return out;
}

std::vector<std::uint32_t> pixelsOf(const pcx::Image& img) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            out.push_back(img.format == pcx::PixelFormat::Rgb32 ? at32(img, x, y) : at8(img, x, y));
    return out;
}

TEST(Differential, PalettedMatchesThePlainDecoder) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> dim(1, 300), rows(1, 12), slack(-3, 4);
    for (int round = 0; round < 400; ++round) {
        const int w = dim(rng), h = rows(rng), n = std::max(1, w + slack(rng));
        PcxFile f = PcxFile::sized(w, h, n);
        f.data = randomStream(rng, static_cast<std::size_t>(rng() % (3 * n * h + 200)));
        const Bytes file = f.bytes();
        const auto want = referencePaletted(Bytes(file.begin() + 128, file.end()), w, h, n);
        const auto got = decode(file);
        if (got.status == pcx::Status::DataTooShort) {
            EXPECT_EQ(want.status, pcx::Status::DataEnded); // refused early, same verdict
            continue;
        }
        ASSERT_EQ(got.status, want.status) << "round " << round;
        if (got.status == pcx::Status::Ok) {
            ASSERT_EQ(pixelsOf(got.image), want.pixels) << round;
        }
    }
}

TEST(Differential, RgbMatchesThePlainDecoder) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> dim(1, 200), rows(1, 10), slack(0, 3);
    for (int round = 0; round < 300; ++round) {
        const int w = dim(rng), h = rows(rng), b = std::max(w - 1, w + slack(rng) - 1);
        PcxFile f = PcxFile::sized(w, h, b, 3);
        f.data = randomStream(rng, static_cast<std::size_t>(rng() % (4 * b * h + 100)));
        const Bytes file = f.bytes();
        const auto got = decode(file);
        ASSERT_EQ(got.status, pcx::Status::Ok) << "round " << round;
        EXPECT_EQ(pixelsOf(got.image), referenceRgb(f.data, w, h, b).pixels) << round;
    }
}

} // namespace
