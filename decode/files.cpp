#include "decode/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/error.h"

namespace glimmer {
namespace {

// Closes the descriptor and, unless kept, removes the file it was made for.
class FileGuard {
  public:
    FileGuard(int fd, QByteArray removeOnFailure = {})
        : m_fd(fd), m_temp(std::move(removeOnFailure)) {}
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;
    ~FileGuard() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_temp.isEmpty()) ::unlink(m_temp.constData());
    }
    [[nodiscard]] int fd() const { return m_fd; }
    // Closes now, reporting a failure that close() itself gives (NFS, full disks).
    [[nodiscard]] int close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }
    void keep() { m_temp.clear(); }
    // Hands the descriptor on instead of closing it.
    void release() { m_fd = -1; }

  private:
    int m_fd;
    QByteArray m_temp;
};

// Reads from `offset` on until `size` bytes or the end of the file.
int readAt(int fd, qint64 offset, char* to, qint64 size, qint64& got) {
    got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, to + got, static_cast<size_t>(size - got), offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break; // the file shrank while being read
        got += n;
    }
    return 0;
}

int writeAll(int fd, const char* from, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, from + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        done += n;
    }
    return 0;
}

// A new, empty file beside `target` that nobody else has; the umask applies as for any file.
int createBeside(const QByteArray& target, QByteArray& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Rewrites `target` where it stands, for a folder that refuses the new file beside it while
// the file itself may be written. The new size is reserved first, so a full disk (or a size
// limit) fails before the old contents are touched; where space cannot be reserved the write
// is refused with `refused`, the folder's own answer.
void rewriteInPlace(const QByteArray& target, const QByteArray& bytes, int refused);

} // namespace

Error errorFromErrno(int err) {
    const QString why = QString::fromLocal8Bit(std::strerror(err));
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Error(errc::PermissionDenied, why);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Error(errc::DiskFull, why);
    case ENOENT:
    case ENOTDIR:
        return Error(errc::FileNotFound, why);
    case ENOMEM:
        return Error(errc::OutOfMemory);
    default:
        return Error(errc::DeviceUnavailable, why);
    }
}

ReadableFile::ReadableFile(const QString& path) {
    // Not blocking on open keeps a named pipe from hanging the program; only files are read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM) throw Error(errc::PermissionDenied);
        if (err == ENOENT || err == ENOTDIR || err == ENXIO || err == EISDIR)
            throw Error(errc::FileNotFound);
        throw errorFromErrno(err);
    }
    FileGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw errorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) throw Error(errc::FileNotFound);
    m_size = st.st_size;
    m_fd = fd;
    guard.release();
}

ReadableFile::~ReadableFile() {
    ::close(m_fd);
}

QByteArray ReadableFile::readStart(qint64 bytes) const {
    QByteArray start(static_cast<qsizetype>(std::min(bytes, m_size)), Qt::Uninitialized);
    qint64 got = 0;
    if (const int err = readAt(m_fd, 0, start.data(), start.size(), got))
        throw Error(errc::DeviceUnavailable, QString::fromLocal8Bit(std::strerror(err)));
    start.truncate(static_cast<qsizetype>(got));
    return start;
}

QByteArray ReadableFile::readAll(qint64 maxBytes) const {
    // Checked before allocating, so a huge file costs no memory.
    if (m_size > maxBytes) throw Error(errc::OutOfMemory);
    QByteArray bytes;
    try {
        bytes = QByteArray(static_cast<qsizetype>(m_size), Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
    qint64 got = 0;
    if (const int err = readAt(m_fd, 0, bytes.data(), m_size, got))
        throw Error(errc::DeviceUnavailable, QString::fromLocal8Bit(std::strerror(err)));
    bytes.truncate(static_cast<qsizetype>(got));
    return bytes;
}

QByteArray readWholeFile(const QString& path, qint64 maxBytes) {
    return ReadableFile(path).readAll(maxBytes);
}

void makeFolders(const QString& path) {
    const QByteArray native =
        QFile::encodeName(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    for (qsizetype i = 1; i <= native.size(); ++i) {
        if (i < native.size() && native[i] != '/') continue;
        const QByteArray folder = native.left(i);
        struct stat st {};
        if (::stat(folder.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) throw errorFromErrno(ENOTDIR);
            continue;
        }
        if (::mkdir(folder.constData(), 0777) == 0) continue;
        const int err = errno;
        // Someone else may have made it in between.
        if (err == EEXIST && ::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        throw errorFromErrno(err);
    }
}

bool FileExists(const QString& path) noexcept {
    try {
        return !path.isEmpty() && QFileInfo(path).exists();
    } catch (...) {
        return false;
    }
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    // Writing through a link replaces what it points at, not the link.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    const QByteArray native = QFile::encodeName(target);
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw errorFromErrno(EISDIR);
    // Renaming over a file the user made read-only would get round its protection.
    if (exists && ::access(native.constData(), W_OK) != 0) throw errorFromErrno(errno);

    QByteArray tempName;
    const int fd = createBeside(native, tempName);
    if (fd < 0) {
        const int err = errno;
        if (exists && (err == EACCES || err == EPERM)) return rewriteInPlace(native, bytes, err);
        throw errorFromErrno(err);
    }
    FileGuard temp(fd, tempName);
    if (exists) (void)::fchmod(fd, st.st_mode & 07777);
    if (const int err = writeAll(fd, bytes.constData(), bytes.size())) throw errorFromErrno(err);
    // On disk before it replaces anything, so a crash leaves the old file or the new one.
    if (::fdatasync(fd) != 0) throw errorFromErrno(errno);
    if (const int err = temp.close()) throw errorFromErrno(err);
    if (::rename(tempName.constData(), native.constData()) != 0) throw errorFromErrno(errno);
    temp.keep();
}

namespace {

void rewriteInPlace(const QByteArray& target, const QByteArray& bytes, int refused) {
    const auto size = static_cast<off_t>(bytes.size());
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur)
        throw errorFromErrno(EFBIG);
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw errorFromErrno(errno);
    FileGuard file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw errorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) throw errorFromErrno(refused);
    if (size > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0) {
        const int err = errno;
        throw errorFromErrno(err == EOPNOTSUPP || err == ENOSYS ? refused : err);
    }
    if (const int err = writeAll(fd, bytes.constData(), bytes.size())) throw errorFromErrno(err);
    if (::ftruncate(fd, size) != 0 || ::fdatasync(fd) != 0) throw errorFromErrno(errno);
    if (const int err = file.close()) throw errorFromErrno(err);
}

} // namespace

} // namespace glimmer
