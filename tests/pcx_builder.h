// Builds PCX files byte by byte for tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "pcx/decode.h"

namespace testing_pcx {

using Bytes = std::vector<std::uint8_t>;

struct PcxFile {
    std::uint8_t version = 5;
    std::uint8_t encoding = 1;
    std::uint8_t bits = 8;
    std::uint8_t planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int bytes_per_line = 0;
    Bytes data;          // everything after the header, before the palette tail
    bool palette = true; // append marker 12 and a 768-byte palette (8-bit, 1 plane)
    Bytes colours;       // the header's 16-colour palette, as many bytes as given

    // A picture of a kind beyond the viewer's, without the 256-colour palette.
    static PcxFile low(std::uint8_t bits, std::uint8_t planes, int w, int h, int bpl, Bytes data) {
        PcxFile f = sized(w, h, bpl, planes);
        f.bits = bits;
        f.palette = false;
        f.data = std::move(data);
        return f;
    }

    static PcxFile sized(int w, int h, int bpl, std::uint8_t planes = 1) {
        PcxFile f;
        f.planes = planes;
        f.xmax = w - 1;
        f.ymax = h - 1;
        f.bytes_per_line = bpl;
        f.palette = planes == 1;
        return f;
    }

    [[nodiscard]] Bytes bytes() const {
        Bytes out(128, 0);
        out[0] = 10;
        out[1] = version;
        out[2] = encoding;
        out[3] = bits;
        std::copy_n(colours.begin(), std::min<std::size_t>(colours.size(), 48), out.begin() + 16);
        auto put16 = [&](std::size_t at, int v) {
            out[at] = static_cast<std::uint8_t>(v & 0xFF);
            out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        };
        put16(4, xmin);
        put16(6, ymin);
        put16(8, xmax);
        put16(10, ymax);
        out[65] = planes;
        put16(66, bytes_per_line);
        // Reserving first also keeps GCC 12 from a false -Warray-bounds on the insert.
        out.reserve(out.size() + data.size() + (palette ? 769 : 0));
        out.insert(out.end(), data.begin(), data.end());
        if (palette) {
            out.push_back(12);
            for (int i = 0; i < 256; ++i) // entry i = (i, 255 - i, i / 2)
                out.insert(out.end(),
                           {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)});
        }
        return out;
    }
};

inline pcx::Result decode(const Bytes& b, pcx::Kinds kinds = pcx::Kinds::Viewer) {
    return pcx::decode(std::span(b.data(), b.size()), {.kinds = kinds});
}

inline std::uint8_t at8(const pcx::Image& img, int x, int y) {
    return img.pixels[static_cast<std::size_t>(y) * img.stride + static_cast<std::size_t>(x)];
}

inline std::uint32_t at32(const pcx::Image& img, int x, int y) {
    const std::uint8_t* p = img.pixels.get() + static_cast<std::size_t>(y) * img.stride + 4 * x;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace testing_pcx
