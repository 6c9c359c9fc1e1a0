// File system operations that raise the program's numbered errors.
#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer::platform {

// The whole file in one read. Throws Error 53 when it is missing or cannot be opened, 70 when
// permission is denied, 68 when reading fails and 7 when it is larger than `maxBytes`.
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxBytes);

} // namespace glimmer::platform
