// File system operations that raise the program's numbered errors.
#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

class Error;

// No file the program reads comes near this: the largest PCX picture's worst-case encoding
// is about 2 GiB.
inline constexpr qint64 kMaxFileBytes = qint64{2} << 30;

// The whole file in one read. Throws Error 53 when it is missing or not a file, 70 when
// permission is denied, 68 when reading fails and 7 when it is larger than `maxBytes` or
// memory runs out.
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxFileBytes);

// True when the path's attributes can be read; folders count. Never throws.
[[nodiscard]] bool FileExists(const QString& path) noexcept;

// Writes `bytes` to a new file beside `path` and renames it over `path` only once all of it
// is on disk, so a failed write never truncates what was there. An existing file that may not
// be written stays as it is. Throws Error 70 when permission is denied, 61 when the disk is
// full, 53 when the folder is missing and 68 otherwise, with the system's reason as text.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// The numbered error for a failed system call's errno, with the system's reason as text.
[[nodiscard]] Error errorFromErrno(int err);

} // namespace glimmer
