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
};

// `data` is the file after the header, the palette tail included for 8-bit files.
inline Reference referencePaletted(const std::vector<std::uint8_t>& data, int w, int h, int n) {
    std::vector<std::uint8_t> buf(data);
    buf.push_back(0);
    const int stride = (n + 3) & ~3;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride * h), 0);
    std::size_t p = 0;
    for (int r = 0; r < h; ++r) {
        int c = 0;
        while (c < n) {
            if (p >= buf.size()) return {pcx::Status::DataEnded, {}};
            const std::uint8_t b = buf[p];
            if ((b & 0xC0) == 0xC0) {
                int k = b & 0x3F;
                if (c + k > n) k = w - c;
                if (c + k > stride) return {pcx::Status::RunPastRow, {}};
                for (int i = 0; i < k; ++i)
                    rows[static_cast<std::size_t>(r * stride + c + i)] = buf[p + 1];
                c += std::max(k, 0);
                p += 2;
            } else {
                rows[static_cast<std::size_t>(r * stride + c++)] = b;
                ++p;
            }
        }
    }
    Reference out;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < std::min(w, n); ++x)
            out.pixels.push_back(rows[static_cast<std::size_t>(r * stride + x)]);
    return out;
}

// `data` is the file after the header. Bytes beyond the planes are ignored.
inline Reference referenceRgb(const std::vector<std::uint8_t>& data, int w, int h, int b) {
    std::vector<std::uint8_t> buf(data);
    buf.push_back(0);
    const std::size_t planes = static_cast<std::size_t>(3 * b * h);
    std::vector<std::uint8_t> plane(planes + 1, 0);
    std::size_t q = 0;
    for (std::size_t p = 0; p < buf.size() && q < planes;) {
        const std::uint8_t v = buf[p];
        if ((v & 0xC0) == 0xC0) {
            for (int i = 0; i < (v & 0x3F) && q < planes; ++i)
                plane[q++] = p + 1 < buf.size() ? buf[p + 1] : 0;
            p += 2;
        } else {
            plane[q++] = v;
            ++p;
        }
    }
    Reference out;
    for (int j = 0; j < h; ++j)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(j * 3 * b + x);
            out.pixels.push_back(0xFF000000u | std::uint32_t{plane[i]} << 16 |
                                 std::uint32_t{plane[i + b]} << 8 | plane[i + 2 * b]);
        }
    return out;
}

} // namespace testing_pcx
