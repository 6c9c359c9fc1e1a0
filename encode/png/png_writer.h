// A PNG writer tuned for converting many screenshots: paletted pictures stay paletted, rows
// are filtered as libpng's adaptive heuristic does, and the data is compressed by libdeflate
// in one piece. Measured against Qt's writer and ImageMagick in bench/png_bench.cpp.
#pragma once

#include <QByteArray>
#include <QImage>

namespace glimmer {

enum class PngFilter {
    None,     // every row as it is: best for paletted pictures
    Up,       // each row less the one above
    Paeth,    // the Paeth predictor on every row
    Adaptive, // per row, the filter whose output has the least sum of magnitudes
    Auto,     // None or Adaptive, whichever compresses a sample of the rows better
};

struct PngOptions {
    int level = 6;                             // libdeflate's level, 1 (fast) to 12 (small)
    PngFilter indexedFilter = PngFilter::None; // for 8-bit paletted pictures
    PngFilter colourFilter = PngFilter::Auto;
    // Filtered rows of more bytes than this are compressed in bands as a stream (zlib), so that
    // they are never held whole beside the picture.
    std::size_t bandsAbove = std::size_t{64} << 20;
};

// The PNG file of `image`: 8-bit paletted for Format_Indexed8, 1-bit for the two-colour formats
// (the colour table's alpha is not kept: PCX palettes have none), RGB for opaque pictures, RGBA
// otherwise. Empty when there is
// no memory for it.
[[nodiscard]] QByteArray encodePng(const QImage& image, const PngOptions& options = {});

} // namespace glimmer
