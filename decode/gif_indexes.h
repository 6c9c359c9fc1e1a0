// The indexes and palette of a GIF picture's first frame as they are in the file: Qt's reader
// gives colours only, and a texture's palette order matters.
#pragma once

#include <QByteArray>
#include <QImage>

#include "pcx/decode.h"

namespace glimmer {

// The first frame of a GIF file as Indexed8 with its colour table (the frame's own, else the
// file's; its transparent entry of alpha 0), when the frame covers the whole picture; a null image
// for anything else, including a damaged file, which the caller then reads as colours.
[[nodiscard]] QImage gifIndexes(const QByteArray& file);

// The colour table of the first frame (as gifIndexes() gives it), read without unpacking any
// pixel; empty when there is none or the file is damaged before it.
[[nodiscard]] QList<QRgb> gifPalette(const QByteArray& file);

enum class GifRows { Streamed, NotStreamed };
// The first frame's indexes handed to `sink` a row at a time, never held whole, when
// gifIndexes() would read it and it is not interlaced; NotStreamed, with no row handed on,
// otherwise.
[[nodiscard]] GifRows gifRows(const QByteArray& file, pcx::RowSink& sink);

} // namespace glimmer
