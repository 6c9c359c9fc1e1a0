// The loader for ordinary picture files. It recognises the format by content and accepts
// only BMP, GIF, JPEG, ICO and CUR; PCX and everything else are refused.
#pragma once

#include <QString>

#include "decode/picture.h"

namespace glimmer {

// Throws Error 53 when the file is missing and 481 when it is not a picture it accepts.
[[nodiscard]] Picture LoadPicture(const QString& path);

} // namespace glimmer
