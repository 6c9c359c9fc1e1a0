// The TGA reader: one status per cause, and worked examples of every layout it reads (origins,
// packets across rows, depths, colour maps with a first index, the image ID, alpha from the
// descriptor or the extension area), each also read a row at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "tga/decode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tga::Status;

struct TgaFile {
    std::uint8_t type = 2, map_type = 0, map_bits = 0, depth = 24, descriptor = 0;
    std::uint16_t first = 0, width = 2, height = 2;
    Bytes id = {}, map = {}, data = {};
    int alpha_type = -1; // the extension area's attributes type, with the footer; -1 none

    Bytes bytes() const {
        const auto map_length = std::uint16_t(map_bits ? map.size() / ((map_bits + 7) / 8) : 0);
        Bytes out = {std::uint8_t(id.size()),
                     map_type,
                     type,
                     std::uint8_t(first),
                     std::uint8_t(first >> 8),
                     std::uint8_t(map_length),
                     std::uint8_t(map_length >> 8),
                     map_bits,
                     0,
                     0,
                     0,
                     0,
                     std::uint8_t(width),
                     std::uint8_t(width >> 8),
                     std::uint8_t(height),
                     std::uint8_t(height >> 8),
                     depth,
                     descriptor};
        for (const Bytes* part : {&id, &map, &data})
            out.insert(out.end(), part->begin(), part->end());
        if (alpha_type < 0) return out;
        const std::size_t at = out.size();
        out.resize(at + 495);
        out[at] = 495 & 255, out[at + 1] = 495 >> 8, out[at + 494] = std::uint8_t(alpha_type);
        const char tail[] = "TRUEVISION-XFILE.";
        out.insert(out.end(), {std::uint8_t(at), std::uint8_t(at >> 8), 0, 0, 0, 0, 0, 0});
        out.insert(out.end(), tail, tail + sizeof tail);
        return out;
    }
};

TgaFile with(TgaFile f, const std::function<void(TgaFile&)>& change) {
    change(f);
    return f;
}

// Hands on nothing, counting rows in order.
struct Rows final : pcx::RowSink {
    std::vector<std::uint8_t> pixels;
    std::size_t stride = 0;
    bool start(const pcx::Image& shape) noexcept override {
        stride = shape.stride;
        return true;
    }
    void row(int, const std::uint8_t* p) noexcept override {
        pixels.insert(pixels.end(), p, p + stride);
    }
};

// The picture's pixels top row first as 0xAARRGGBB, indexes through their colours; and the
// same read a row at a time must agree.
std::vector<std::uint32_t> colours(const TgaFile& f) {
    const Bytes b = f.bytes();
    const tga::Result r = tga::decode(b);
    EXPECT_EQ(r.status, Status::Ok);
    if (r.status != Status::Ok) return {};
    const pcx::Image& img = r.image;
    Rows rows;
    EXPECT_EQ(tga::decode_rows(b, rows).status, Status::Ok);
    EXPECT_TRUE(std::equal(rows.pixels.begin(), rows.pixels.end(), img.pixels.get()));
    std::vector<std::uint32_t> out;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* p = img.pixels.get() + std::size_t(y) * img.stride;
            std::uint32_t c = 0;
            if (img.format == pcx::PixelFormat::Indexed8)
                c = img.colours[p[x]];
            else
                std::memcpy(&c, p + 4 * x, 4);
            out.push_back(c);
        }
    return out;
}

TEST(Tga, EachFileEndsWithTheStatusOfItsCause) {
    const TgaFile rgb{.data = Bytes(12, 7)};
    const TgaFile grey_rle{.type = 11, .depth = 8, .width = 4, .height = 4};
    const struct {
        const char* what;
        Bytes file;
        Status status;
    } cases[] = {
        {"a whole 2x2", rgb.bytes(), Status::Ok},
        {"17 bytes", Bytes(17, 0), Status::TruncatedHeader},
        {"no image data", with(rgb, [](TgaFile& f) { f.type = 0; }).bytes(), Status::NoImageData},
        {"Huffman-coded", with(rgb, [](TgaFile& f) { f.type = 32; }).bytes(), Status::UnknownType},
        {"type 4", with(rgb, [](TgaFile& f) { f.type = 4; }).bytes(), Status::UnknownType},
        {"8-bit true colour", with(rgb, [](TgaFile& f) { f.depth = 8; }).bytes(),
         Status::UnsupportedDepth},
        {"16-bit indexes",
         TgaFile{.type = 1, .map_type = 1, .map_bits = 24, .depth = 16, .map = Bytes(6)}.bytes(),
         Status::UnsupportedDepth},
        {"12-bit map entries",
         with(rgb, [](TgaFile& f) { f.map_type = 1, f.map_bits = 12; }).bytes(),
         Status::BadMapEntrySize},
        {"mapped without a map", with(rgb, [](TgaFile& f) { f.type = 1, f.depth = 8; }).bytes(),
         Status::NoColourMap},
        {"no columns", with(rgb, [](TgaFile& f) { f.width = 0; }).bytes(), Status::EmptyPicture},
        {"no pixel data", with(rgb, [](TgaFile& f) { f.data.clear(); }).bytes(),
         Status::DataTooShort},
        {"one byte short", with(rgb, [](TgaFile& f) { f.data.pop_back(); }).bytes(),
         Status::DataTooShort},
        {"runs that could not fill 1000 x 1000",
         with(grey_rle, [](TgaFile& f) { f.width = f.height = 1000, f.data = Bytes(60, 0xFF); })
             .bytes(),
         Status::DataTooShort},
        {"packets that end before the picture",
         with(grey_rle,
              [](TgaFile& f) {
                  f.data = {0x81, 5};
              })
             .bytes(),
         Status::DataEnded},
        {"a run whose colour is cut short",
         with(rgb, [](TgaFile& f) { f.type = 10, f.data = {0x00, 1, 2, 3, 0x82, 1, 2}; }).bytes(),
         Status::DataEnded},
        {"a literal packet cut short",
         with(grey_rle,
              [](TgaFile& f) {
                  f.data = {0x7F, 1, 2, 3};
              })
             .bytes(),
         Status::DataEnded},
    };
    for (const auto& c : cases) {
        const tga::Result r = tga::decode(c.file);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(bool(r.image.pixels), c.status == Status::Ok) << c.what;
    }
    Bytes map_cut = rgb.bytes();
    map_cut[0] = 200; // an image ID longer than the file
    EXPECT_EQ(tga::decode(map_cut).status, Status::MapPastEnd);
    EXPECT_EQ(tga::decode(rgb.bytes(), {.max_pixel_bytes = 15}).status, Status::TooLarge);
}

TEST(Tga, EveryLayoutGivesItsPixelsTopRowFirst) {
    using C = std::vector<std::uint32_t>;
    // Rows stored bottom first unless the descriptor says top first; blue, green, red.
    const Bytes rows = {0, 0, 255, 0, 255, 0, /* bottom */ 255, 0, 0, 255, 255, 255 /* top */};
    const TgaFile bgr{.data = rows};
    const std::uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF, white = 0xFFFFFFFF;
    const TgaFile grey{.type = 11, .depth = 8, .width = 2, .height = 3};
    const struct {
        const char* what;
        TgaFile file;
        C want;
    } cases[] = {
        {"bottom left", bgr, {blue, white, red, green}},
        {"top left", with(bgr, [](TgaFile& f) { f.descriptor = 0x20; }), {red, green, blue, white}},
        {"bottom right",
         with(bgr, [](TgaFile& f) { f.descriptor = 0x10; }),
         {white, blue, green, red}},
        {"an image ID skipped",
         with(bgr, [](TgaFile& f) { f.id = Bytes(10, 'x'); }),
         {blue, white, red, green}},
        {"a map skipped before true colour",
         with(bgr, [](TgaFile& f) { f.map_type = 1, f.map_bits = 24, f.map = Bytes(9, 1); }),
         {blue, white, red, green}},
        // A run of 3 crosses from the bottom row into the middle one, a literal of 3 on to the top.
        {"packets across rows",
         with(grey, [](TgaFile& f) { f.data = {0x82, 9, 0x02, 1, 2, 3}; }),
         {0xFF020202, 0xFF030303, 0xFF090909, 0xFF010101, 0xFF090909, 0xFF090909}},
        {"15 bits: five widened to eight",
         TgaFile{.depth = 15, .width = 2, .height = 1, .data = {0x1F, 0x80, 0x10, 0x42}},
         {0xFF0000FF, 0xFF848484}},
        {"16 bits, the top bit no alpha",
         TgaFile{.depth = 16,
                 .descriptor = 1,
                 .width = 2,
                 .height = 1,
                 .data = {0x00, 0xFC, 0x00, 0x7C}},
         {0xFFFF0000, 0xFFFF0000}},
        {"16 bits, the top bit alpha as the extension area says",
         TgaFile{.depth = 16,
                 .descriptor = 1,
                 .width = 2,
                 .height = 1,
                 .data = {0x00, 0xFC, 0x00, 0x7C},
                 .alpha_type = 3},
         {0xFFFF0000, 0x00FF0000}},
        {"32 bits, alpha whatever the descriptor says",
         TgaFile{.depth = 32, .width = 1, .height = 1, .data = {1, 2, 3, 4}},
         {0x04030201}},
        {"alpha said to be none in the extension area",
         TgaFile{.depth = 32,
                 .descriptor = 8,
                 .width = 1,
                 .height = 1,
                 .data = {1, 2, 3, 4},
                 .alpha_type = 0},
         {0xFF030201}},
        {"premultiplied alpha made straight",
         TgaFile{.depth = 32,
                 .descriptor = 8,
                 .width = 1,
                 .height = 1,
                 .data = {0x20, 0x40, 0x40, 0x80},
                 .alpha_type = 4},
         {0x80808040}},
        {"grey and alpha",
         TgaFile{
             .type = 3, .depth = 16, .descriptor = 8, .width = 1, .height = 1, .data = {200, 100}},
         {0x64C8C8C8}},
        {"a map whose first entry is index 2",
         TgaFile{.type = 9,
                 .map_type = 1,
                 .map_bits = 24,
                 .depth = 8,
                 .first = 2,
                 .width = 3,
                 .height = 1,
                 .map = {255, 0, 0, 0, 0, 255},
                 .data = {0x02, 2, 3, 0}},
         {blue, red, 0xFF000000}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(colours(c.file), c.want) << c.what;
}

} // namespace
