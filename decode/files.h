// File system operations that raise the program's numbered errors.
#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

class Error;

// No file the program reads comes near this: the largest PCX picture's worst-case encoding
// is about 2 GiB.
inline constexpr qint64 kMaxFileBytes = qint64{2} << 30;

// A file open for reading, so that its start can be judged before the rest is read (or
// allocated for). Opening throws Error 53 when it is missing or not a file and 70 when
// permission is denied.
class ReadableFile {
  public:
    explicit ReadableFile(const QString& path);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    // The size when it was opened.
    [[nodiscard]] qint64 size() const noexcept { return m_size; }
    // At most `bytes` bytes from the start, fewer when the file is shorter. Throws 68 when
    // reading fails.
    [[nodiscard]] QByteArray readStart(qint64 bytes) const;
    // The whole file. Throws 7 when it is larger than `maxBytes` or memory runs out and 68
    // when reading fails.
    [[nodiscard]] QByteArray readAll(qint64 maxBytes = kMaxFileBytes) const;

  private:
    int m_fd = -1;
    qint64 m_size = 0;
};

// The whole file in one read, with the errors of ReadableFile.
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxFileBytes);

// Creates the folder and any missing folders above it. Throws the errors of errorFromErrno.
void makeFolders(const QString& path);

// True when the path's attributes can be read; folders count. Never throws.
[[nodiscard]] bool FileExists(const QString& path) noexcept;

// Writes `bytes` to a new file beside `path` and renames it over `path` only once all of it
// is on disk, so a failed write never truncates what was there. An existing file that may not
// be written stays as it is. In a folder that refuses new files, a file that may be written is
// rewritten where it stands once room for all of it is reserved. Throws Error 70 when permission is
// denied, 61 when the disk is full, 53 when the folder is missing and 68 otherwise, with the
// system's reason as text.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// The numbered error for a failed system call's errno, with the system's reason as text.
[[nodiscard]] Error errorFromErrno(int err);

} // namespace glimmer
