// A deliberately plain decoder, byte by byte as the format is described, to check the fast
// one against. Only the pixel loops: callers pass inputs whose headers are valid.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pcx/decode.h"

namespace testing_pcx {

struct Reference {
    pcx::Status status = pcx::Status::Ok;
    std::vector<std::uint32_t> pixels; // row by row, palette index or 0xFFRRGGBB
    std::size_t decoded = 0;           // bytes the data gave towards the rows
};

// Decodes `data` and the closing 0 as one stream into `total` bytes, runs going on across
// row ends; what a run has past `total` is dropped. Bytes the data does not reach stay 0.
inline std::vector<std::uint8_t> plainStream(const std::vector<std::uint8_t>& data,
                                             std::size_t total, std::size_t& decoded) {
    std::vector<std::uint8_t> buf(data);
    buf.push_back(0);
    std::vector<std::uint8_t> out(total + 1, 0);
    std::size_t q = 0;
    for (std::size_t p = 0; p < buf.size() && q < total;) {
        const std::uint8_t v = buf[p];
        if ((v & 0xC0) == 0xC0) {
            for (int i = 0; i < (v & 0x3F) && q < total; ++i)
                out[q++] = p + 1 < buf.size() ? buf[p + 1] : 0;
            p += 2;
        } else {
            out[q++] = v;
            ++p;
        }
    }
    decoded = q;
    return out;
}

// `data` is the file after the header, the palette tail included for 8-bit files. Every one
// of the h rows of n bytes must be filled; the pad column of an odd width is not shown.
inline Reference referencePaletted(const std::vector<std::uint8_t>& data, int w, int h, int n) {
    Reference out;
    const auto rows = plainStream(data, static_cast<std::size_t>(n * h), out.decoded);
    if (out.decoded < static_cast<std::size_t>(n * h)) {
        out.status = pcx::Status::DataEnded;
        return out;
    }
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < std::min(w, n); ++x)
            out.pixels.push_back(rows[static_cast<std::size_t>(r * n + x)]);
    return out;
}

// `data` is the file after the header. Bytes beyond the planes are ignored; samples the data
// does not reach are black.
inline Reference referenceRgb(const std::vector<std::uint8_t>& data, int w, int h, int b) {
    Reference out;
    const auto plane = plainStream(data, static_cast<std::size_t>(3 * b * h), out.decoded);
    for (int j = 0; j < h; ++j)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(j * 3 * b + x);
            out.pixels.push_back(0xFF000000u | std::uint32_t{plane[i]} << 16 |
                                 std::uint32_t{plane[i + b]} << 8 | plane[i + 2 * b]);
        }
    return out;
}

// `data` is the file after the header: lines of red, green, blue and alpha planes, each line
// whole or the decode ends there.
inline Reference referenceRgba(const std::vector<std::uint8_t>& data, int w, int h, int b) {
    Reference out;
    const auto plane = plainStream(data, static_cast<std::size_t>(4 * b * h), out.decoded);
    if (out.decoded < static_cast<std::size_t>(4 * b * h)) {
        out.status = pcx::Status::DataEnded;
        return out;
    }
    for (int j = 0; j < h; ++j)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(j * 4 * b + x);
            out.pixels.push_back(std::uint32_t{plane[i + 3 * b]} << 24 |
                                 std::uint32_t{plane[i]} << 16 | std::uint32_t{plane[i + b]} << 8 |
                                 plane[i + 2 * b]);
        }
    return out;
}

} // namespace testing_pcx
