// The way in for PCX files: header check, refusal messages and decoding to a Picture.
#pragma once

#include <QByteArray>
#include <QString>

#include "decode/picture.h"
#include "pcx/decode.h"

namespace glimmer {

class Error;

namespace platform {
class Dialogs;
}

// Reads and decodes the file at `path`. Returns the empty picture after telling the user
// when the file is refused; throws glimmer::Error (53 and 70 when it cannot be read, 6, 7, 9
// or 63 when it cannot be decoded).
[[nodiscard]] Picture LoadPcx(const QString& path, platform::Dialogs& dialogs);

// The same for a file already in memory.
[[nodiscard]] Picture DecodePcxBytes(const QByteArray& file, platform::Dialogs& dialogs);

// Wraps decoded pixels into a Picture without copying them.
[[nodiscard]] Picture MakePicture(pcx::Image image);

// True when the path's attributes can be read; folders count. Never throws.
[[nodiscard]] bool FileExists(const QString& path) noexcept;

// The error LoadPcx raises for a decode failure.
[[nodiscard]] Error decodeError(pcx::Status status);

} // namespace glimmer
