// File system operations that raise the program's numbered errors.
#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

// No file the program reads comes near this: the largest PCX picture's worst-case encoding
// is about 2 GiB.
inline constexpr qint64 kMaxFileBytes = qint64{2} << 30;

// The whole file in one read. Throws Error 53 when it is missing or cannot be opened, 70 when
// permission is denied, 68 when reading fails and 7 when it is larger than `maxBytes`.
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxFileBytes);

// True when the path's attributes can be read; folders count. Never throws.
[[nodiscard]] bool FileExists(const QString& path) noexcept;

} // namespace glimmer
