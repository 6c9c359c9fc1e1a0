// The way the windows open PCX files: a refusal is told to the user, an error raised.
#pragma once

#include <QString>

#include "decode/picture.h"

class QWidget;

namespace glimmer::platform {
class Dialogs;
}

namespace glimmer {

// Reads and decodes the file at `path`. Returns the empty picture after telling the user,
// over the window `owner`, when the file is refused; throws glimmer::Error (53 and 70 when it
// cannot be read, 6, 7, 9 or 63 when it cannot be decoded).
[[nodiscard]] Picture LoadPcx(const QString& path, platform::Dialogs& dialogs,
                              QWidget* owner = nullptr);

} // namespace glimmer
