// The loader for ordinary picture files. It recognises the format by content and accepts
// only BMP, GIF, JPEG, ICO and CUR; PCX and everything else are refused. And glimmer-pcx's
// reading of any picture Qt reads.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "decode/picture.h"

namespace glimmer {

// Throws Error 53 when the file is missing and 481 when it is not a picture it accepts.
[[nodiscard]] Picture LoadPicture(const QString& path);

// The picture in `bytes`, in any format Qt reads (`format`, e.g. a file's suffix, helps those
// without a signature, such as TGA); a GIF file's first frame with its indexes and palette as
// stored, which Qt's reader turns into colours. A null image, with Qt's reason in `why`, when
// there is none. Throws Error 7 for a picture past the allocation limit of Qt's readers.
[[nodiscard]] QImage readPictureBytes(QByteArray bytes, const QByteArray& format, QString& why);

} // namespace glimmer
