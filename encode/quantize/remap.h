// Mapping pixels onto a fixed palette, nearest colour first, with optional error diffusion.
#pragma once

#include <QImage>
#include <QList>
#include <vector>

namespace glimmer {

// Indexes into `palette` for each pixel of `argb` (Format_ARGB32), choosing among entries
// `first` and up; pixels whose `masked` flag is set (one per pixel, row by row; may be empty)
// take index 0 and pass no error on. Writes into `out` (Indexed8 of the same size).
void remapOnto(const QImage& argb, const QList<QRgb>& palette, int first,
               const std::vector<bool>& masked, bool dither, QImage& out);

} // namespace glimmer
