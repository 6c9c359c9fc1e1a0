// Palette files: the colours of a paletted PCX, PNG or GIF picture or a colour-mapped TGA one, of
// a GIMP palette (.gpl) or of a JASC palette (.pal), and those two text formats written out.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

namespace glimmer {

// The colours of a GIMP or JASC palette in `text`, in their order. Throws Error 481 saying what
// is wrong when it is neither, or holds no colour, more than 256 or a value outside 0 to 255.
[[nodiscard]] QList<QRgb> parsePaletteText(const QByteArray& text);

// The palette of a file's bytes, by their content and then its name, as pictureKind() judges
// them: a PCX file (of a DCX file, the first page), a PNG or GIF picture that has one, a
// colour-mapped TGA picture (its colours index by index), or a palette file
// as above, read without decoding any pixel. Throws 481 for a picture without a palette or a
// file that is none of these.
[[nodiscard]] QList<QRgb> paletteOf(QByteArray bytes, const QString& name = {});
// The same for the file at `path`, with the file errors of readWholeFile besides.
[[nodiscard]] QList<QRgb> readPaletteFile(const QString& path);

// The colours as a GIMP palette named `name`, and as a JASC palette.
[[nodiscard]] QByteArray gimpPalette(const QList<QRgb>& colours, const QString& name);
[[nodiscard]] QByteArray jascPalette(const QList<QRgb>& colours);

} // namespace glimmer
