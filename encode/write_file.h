// Writing files so that a failed write never truncates what was there.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

// When a written file reaches the disk: before it replaces anything, or at a syncFolders()
// that follows a run of writes (far faster for many small files).
enum class Flush { Now, Later };

// Writes `bytes` to a new file beside `path` and renames it over `path` only once all of it
// is written (and, with Flush::Now, on disk), so a failed write never truncates what was there. An
// existing file that may not be written stays as it is. In a folder that refuses new files, a file
// that may be read and written is rewritten where it stands once room for all of it is reserved,
// a copy of the old contents kept (in the temporary folder, else in memory) until the new ones
// are on disk: a failure after the first byte puts them back, and its text says so. Throws
// Error 70 when permission is denied, 61 when the disk is full, 53 when the folder is missing and
// 68 otherwise, with the system's reason as text.
void replaceFile(const QString& path, const QByteArray& bytes, Flush flush = Flush::Now);

// Puts on disk what was written with Flush::Later into these folders: one sync of each file
// system they are on. Throws the errors of errorFromErrno.
void syncFolders(const QStringList& folders);

// Creates the folder and any missing folders above it. Throws the errors of errorFromErrno.
void makeFolders(const QString& path);

} // namespace glimmer
