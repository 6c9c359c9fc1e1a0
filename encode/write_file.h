// Writing files so that a failed write never truncates what was there.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

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

// Where a file's bytes go, in order, as they are made. write() throws Error.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(const char* bytes, qint64 size) = 0;
};

// Makes all of a file's bytes into the sink, in pieces. Throws Error.
using Producer = std::function<void(ByteSink&)>;

// As above for a file of `size` bytes made by `produce`, so that it is never held whole. A
// failure of `produce` is handled as a failed write.
void replaceFile(const QString& path, qint64 size, const Producer& produce,
                 Flush flush = Flush::Now);

// Puts on disk what was written with Flush::Later into these folders: one sync of each file
// system they are on. Throws the errors of errorFromErrno.
void syncFolders(const QStringList& folders);

// Creates the folder and any missing folders above it. Throws the errors of errorFromErrno.
void makeFolders(const QString& path);

} // namespace glimmer
