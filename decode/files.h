// Reading files, with failures raised as the program's numbered errors.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "pcx/decode.h"

namespace glimmer {

inline constexpr qint64 kMaxFileBytes = static_cast<qint64>(pcx::kMaxFileBytes);

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

// Those of `outputs` that are one of `inputs`: the same file by device and inode once links are
// followed, so a link, a hard link or another spelling of an input's name counts too. An output
// not there yet is none.
[[nodiscard]] QStringList outputsOverInputs(const QStringList& inputs, const QStringList& outputs);

// The path a file is reached by once every symbolic link on the way to its name is followed to
// the end: the last link's target, which need not exist yet; `path` itself when it is no
// link. Inputs are judged by stat(), which follows links the same way. Throws the error of
// ELOOP after 40 links.
[[nodiscard]] QByteArray followLinks(const QByteArray& path);

// The whole file in one read, with the errors of ReadableFile.
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxFileBytes);

} // namespace glimmer
