// Writing PCX files that every reader takes: Version 5, run-length encoded, an even number of
// bytes a line, no run crossing a scan line, and an 8-bit picture's 256 colours at the end.
#pragma once

#include <QByteArray>
#include <QImage>

namespace glimmer {

// The widest and tallest picture a PCX header holds for readers that take its fields as signed.
inline constexpr int kMaxPcxSide = 32767;

// An Indexed8 picture as an 8-bit PCX file, its indexes and colour table as they are (a table
// shorter than 256 is padded with black). Empty when the picture is not Indexed8, is larger
// than kMaxPcxSide or memory runs out.
[[nodiscard]] QByteArray encodePcx8(const QImage& indexed);

// A picture of any format as a PCX file of red, green and blue planes; alpha is dropped.
// Empty when the picture is larger than kMaxPcxSide or memory runs out.
[[nodiscard]] QByteArray encodePcx24(const QImage& picture);

} // namespace glimmer
