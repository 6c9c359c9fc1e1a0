// The glimmer-pcx commands. Each returns the process exit status: 0 decoded (and written),
// 1 refused, 2 a decode or file error. Worst status wins over several files.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace glimmer::cli {

struct Io {
    QTextStream& out;
    QTextStream& err;
};

// Describes each file, and each page of a DCX file.
int info(const QStringList& files, Io io);
// Writes a PNG of `in`, its first page for a DCX file, whose longest side is at most `size`;
// no file on any failure.
int thumbnail(const QString& in, const QString& out, int size, Io io);
int bench(const QString& file, int runs, Io io);
// Tells, per file, what the game's editor needs of a texture: errors, warnings and the colour
// at index 0; 0 when every file passes, 1 with warnings only, 2 with errors.
int check(const QStringList& files, Io io);
// Writes the palette of a paletted PCX file (of a DCX file, the first page) on io.out, as a
// GIMP palette or, with `jasc`, a JASC palette.
int palette(const QString& file, bool jasc, Io io);

} // namespace glimmer::cli
