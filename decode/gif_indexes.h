// The indexes and palette of a GIF picture's first frame as they are in the file: Qt's reader
// gives colours only, and a texture's palette order matters.
#pragma once

#include <QByteArray>
#include <QImage>

namespace glimmer {

// The first frame of a GIF file as Indexed8 with its colour table (the frame's own, else the
// file's; its transparent entry of alpha 0), when the frame covers the whole picture; a null image
// for anything else, including a damaged file, which the caller then reads as colours.
[[nodiscard]] QImage gifIndexes(const QByteArray& file);

} // namespace glimmer
