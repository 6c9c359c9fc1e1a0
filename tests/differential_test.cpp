// The fast decoder against the plain one on many generated streams: long literal stretches,
// dense runs, runs across row and line ends, odd and short lines, data that ends early.
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
            out.push_back(img.format == pcx::PixelFormat::Indexed8 ? at8(img, x, y)
                                                                   : at32(img, x, y));
    return out;
}

TEST(Differential, PalettedMatchesThePlainDecoder) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> dim(1, 300), rows(1, 12), slack(-3, 4);
    int ended = 0;
    for (int round = 0; round < 400; ++round) {
        // Every fourth picture is tall with little data: with runs going on across rows even
        // the palette tail alone fills some thousands of pixels, so only these end early.
        const bool starved = round % 4 == 3;
        const int w = dim(rng), h = rows(rng) * (starved ? 20 : 1);
        const int n = std::max(1, w + slack(rng));
        PcxFile f = PcxFile::sized(w, h, n);
        const int most = starved ? n * h / 16 + 1 : 3 * n * h + 200;
        f.data = randomStream(rng, static_cast<std::size_t>(rng() % most));
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
        ended += got.status == pcx::Status::DataEnded;
    }
    EXPECT_GT(ended, 10); // the end of the data is reached past the early check
}

TEST(Differential, RgbMatchesThePlainDecoder) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> dim(1, 200), rows(1, 10), slack(0, 3);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const int w = dim(rng), h = rows(rng), b = std::max(w - 1, w + slack(rng) - 1);
        PcxFile f = PcxFile::sized(w, h, b, 3);
        f.data = randomStream(rng, static_cast<std::size_t>(rng() % (4 * b * h + 100)));
        const Bytes file = f.bytes();
        const auto got = decode(file);
        const auto want = referenceRgb(f.data, w, h, b);
        if (got.status == pcx::Status::DataTooShort) {
            // Refused early only when it could not have filled the planes.
            EXPECT_LT(want.decoded, static_cast<std::size_t>(3 * b * h)) << round;
            ++refused;
            continue;
        }
        ASSERT_EQ(got.status, pcx::Status::Ok) << "round " << round;
        EXPECT_EQ(pixelsOf(got.image), want.pixels) << round;
    }
    EXPECT_LT(refused, 30); // most short streams still decode, black below the data
}

// The line reader of the kinds beyond the viewer's, through pictures with an alpha plane.
TEST(Differential, RgbaMatchesThePlainDecoder) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> dim(1, 200), rows(1, 10), slack(0, 3);
    int ended = 0;
    for (int round = 0; round < 300; ++round) {
        const int w = dim(rng), h = rows(rng), b = w + slack(rng);
        PcxFile f = PcxFile::sized(w, h, b, 4);
        f.data = randomStream(rng, static_cast<std::size_t>(rng() % (5 * b * h + 100)));
        const auto got = decode(f.bytes(), pcx::Kinds::Every);
        const auto want = referenceRgba(f.data, w, h, b);
        if (got.status == pcx::Status::DataTooShort) {
            EXPECT_EQ(want.status, pcx::Status::DataEnded) << round;
            continue;
        }
        ASSERT_EQ(got.status, want.status) << "round " << round;
        if (got.status == pcx::Status::Ok) {
            EXPECT_EQ(pixelsOf(got.image), want.pixels) << round;
        }
        ended += got.status == pcx::Status::DataEnded;
    }
    EXPECT_GT(ended, 10); // the end of the data is reached past the early check
}

} // namespace
