#include "encode/write_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "decode/error.h"
#include "decode/files.h"

namespace glimmer {
namespace {

// The most of a file rewritten in place kept in memory when no copy can be made elsewhere,
// beyond the size of what replaces it.
constexpr qint64 kOldInMemory = qint64(64) << 20;

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
    // Closes now, reporting a failure that close() itself gives (NFS, full disks).
    [[nodiscard]] int close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }
    void keep() { m_temp.clear(); }
    // Hands the open descriptor on.
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
    QByteArray m_temp;
};

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

// Gathers the pieces into writes of a useful size; counts them, so that a file made shorter
// or longer than announced is not taken for complete.
class FdSink final : public ByteSink {
  public:
    FdSink(int fd, qint64 size) : m_fd(fd), m_size(size) {
        m_buffer.reserve(size_t(std::min(size, qint64(kChunk))));
    }
    void write(const char* bytes, qint64 size) override {
        m_made += size;
        if (m_made > m_size) throw madeWrong();
        if (m_buffer.empty() && size >= qint64(kChunk)) return writeOut(bytes, size);
        while (size > 0) {
            const auto n = std::min<size_t>(size_t(size), kChunk - m_buffer.size());
            m_buffer.insert(m_buffer.end(), bytes, bytes + n);
            bytes += n;
            size -= qint64(n);
            if (m_buffer.size() == kChunk) flush();
        }
    }
    void finish() {
        flush();
        if (m_made != m_size) throw madeWrong();
    }

  private:
    static constexpr size_t kChunk = size_t(1) << 20;
    void writeOut(const char* bytes, qint64 size) const {
        if (const int err = writeAll(m_fd, bytes, size)) throw errorFromErrno(err);
    }
    void flush() {
        writeOut(m_buffer.data(), qint64(m_buffer.size()));
        m_buffer.clear();
    }
    [[nodiscard]] Error madeWrong() const {
        return Error(errc::DeviceUnavailable,
                     QStringLiteral("%1 bytes made of the %2 announced").arg(m_made).arg(m_size));
    }

    int m_fd;
    qint64 m_size;
    qint64 m_made = 0;
    std::vector<char> m_buffer;
};

// Writes all of `size` bytes from `produce` at the descriptor's position. Throws Error.
void produceInto(int fd, qint64 size, const Producer& produce) {
    try {
        FdSink sink(fd, size);
        produce(sink);
        sink.finish();
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
}

// The folder and the name of `path`.
std::pair<QByteArray, QByteArray> splitPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return {".", path};
    return {slash == 0 ? QByteArray("/") : path.left(slash), path.mid(slash + 1)};
}

// `stem` cut, at the start of a character, so that stem + tail + the random part stays within
// the longest name `folder` takes: an output name may be as long as the file system allows.
QByteArray fitted(const QByteArray& folder, QByteArray stem, qsizetype tail) {
    constexpr qsizetype kRandom = 7; // a 32-bit number in base 36
    long longest = ::pathconf(folder.constData(), _PC_NAME_MAX);
    if (longest <= 0) longest = 255;
    qsizetype cut = std::max<qsizetype>(longest - tail - kRandom, 0);
    if (stem.size() <= cut) return stem;
    while (cut > 0 && (static_cast<uchar>(stem[cut]) & 0xC0) == 0x80)
        --cut;
    stem.truncate(cut);
    return stem;
}

// A new, empty file in `folder` named after `stem` that nobody else has.
int createUnique(const QByteArray& folder, const QByteArray& stem, const QByteArray& tail,
                 mode_t mode, QByteArray& name) {
    const QByteArray prefix = folder + '/' + fitted(folder, stem, tail.size()) + tail;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A new, empty file beside `target`; the umask applies as for any file.
int createBeside(const QByteArray& target, QByteArray& name) {
    const auto [folder, stem] = splitPath(target);
    return createUnique(folder, stem, ".tmp", 0666, name);
}

// Reads `size` bytes at `at`; 0 or the errno.
int readAt(int fd, char* into, off_t size, off_t at) {
    for (off_t done = 0; done < size;) {
        const ssize_t n = ::pread(fd, into + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO; // shorter than it said
        done += n;
    }
    return 0;
}

// Copies `size` bytes from the start of `from` to the start of `to`; 0 or the errno.
int copyBytes(int from, int to, off_t size) {
    std::vector<char> buffer(65536);
    for (off_t at = 0; at < size;) {
        const off_t n = std::min<off_t>(size - at, off_t(buffer.size()));
        if (const int err = readAt(from, buffer.data(), n, at)) return err;
        for (off_t done = 0; done < n;) {
            const ssize_t w = ::pwrite(to, buffer.data() + done, size_t(n - done), at + done);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return errno;
            done += w;
        }
        at += n;
    }
    return 0;
}

// `size` bytes from the start of `fd` into the sink. Throws Error.
void copyInto(ByteSink& sink, int fd, qint64 size) {
    std::vector<char> buffer(std::size_t(std::min<qint64>(size, qint64(1) << 20)));
    for (qint64 at = 0; at < size;) {
        const auto n = std::min<qint64>(size - at, qint64(buffer.size()));
        if (const int err = readAt(fd, buffer.data(), off_t(n), off_t(at)))
            throw errorFromErrno(err);
        sink.write(buffer.data(), n);
        at += n;
    }
}

// The contents an in-place rewrite replaces, kept until the new ones are on disk: in a file in
// the temporary folder, synced, so that a crash leaves them there; in memory where no such
// file can be made and they are no larger than `inMemory`.
class OldContents {
  public:
    OldContents(int fd, const QByteArray& target, off_t size, qint64 inMemory) : m_size(size) {
        // As named: QDir::tempPath() gives "" for a folder that is missing.
        const QByteArray folder =
            qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
        m_fd = createUnique(folder, splitPath(target).second, ".old-", 0600, m_path);
        int err = m_fd < 0 ? errno : copyBytes(fd, m_fd, size);
        // A new file: fsync, so that its inode reaches the disk along with its data.
        if (err == 0 && ::fsync(m_fd) == 0) return;
        if (err == 0) err = errno;
        drop();
        if (size > inMemory) {
            const Error failed = errorFromErrno(err);
            throw Error(failed.number(),
                        QStringLiteral("%1: no copy of the old contents could be made in %2")
                            .arg(failed.text(), QFile::decodeName(folder)));
        }
        m_bytes.resize(static_cast<qsizetype>(size));
        if (const int failed = readAt(fd, m_bytes.data(), size, 0)) throw errorFromErrno(failed);
    }
    OldContents(const OldContents&) = delete;
    OldContents& operator=(const OldContents&) = delete;
    ~OldContents() {
        if (!m_keep) drop();
    }

    // Writes them back over `fd` and cuts it to their size; 0 or the errno.
    [[nodiscard]] int putBack(int fd) const {
        const int err = m_fd >= 0 ? copyBytes(m_fd, fd, m_size)
                                  : (::lseek(fd, 0, SEEK_SET) < 0
                                         ? errno
                                         : writeAll(fd, m_bytes.constData(), m_bytes.size()));
        if (err != 0) return err;
        struct stat st {};
        if (::fstat(fd, &st) != 0) return errno;
        // Only when needed: a truncation that just failed may fail again.
        return st.st_size == m_size || ::ftruncate(fd, m_size) == 0 ? 0 : errno;
    }
    // Leaves the copy in the temporary folder; where it is, empty for none.
    QString keep() {
        m_keep = true;
        return m_fd >= 0 ? QFile::decodeName(m_path) : QString();
    }

  private:
    void drop() {
        if (m_fd < 0) return;
        ::close(m_fd);
        ::unlink(m_path.constData());
        m_fd = -1;
    }

    int m_fd = -1;
    QByteArray m_path;
    QByteArray m_bytes;
    off_t m_size;
    bool m_keep = false;
};

// Throws `failed`, the failure of a rewrite that had begun, once the old contents are put back,
// saying whether they are and where the copy of them is when it is still needed.
[[noreturn]] void putBackAndThrow(int fd, OldContents& old, const Error& failed) {
    QString said = failed.text();
    const int back = old.putBack(fd);
    if (back == 0 && ::fdatasync(fd) == 0) {
        said += QStringLiteral("; the old contents were put back");
    } else {
        said += back == 0
                    ? QStringLiteral("; the old contents were put back but may not be on disk")
                    : QStringLiteral("; putting the old contents back failed too (%1): the "
                                     "file may be damaged")
                          .arg(QString::fromLocal8Bit(std::strerror(back)));
        const QString copy = old.keep();
        said += copy.isEmpty() ? QStringLiteral(", and no copy of them is left")
                               : QStringLiteral(", a copy of them is in %1").arg(copy);
    }
    throw Error(failed.number(), said);
}

// `target` opened for a rewrite in place with room for `size` bytes reserved, so that a full
// disk (or a size limit) fails before the old contents are touched; where room cannot be
// reserved the write is refused with `refused`, the folder's own answer.
int openReserved(const QByteArray& target, off_t size, int refused, struct stat& st) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur)
        throw errorFromErrno(EFBIG);
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw errorFromErrno(errno);
    FileGuard file(fd);
    if (::fstat(fd, &st) != 0) throw errorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) throw errorFromErrno(refused);
    const off_t room = std::max(size, st.st_size);
    if (room > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, room) != 0) {
        const int err = errno;
        throw errorFromErrno(err == EOPNOTSUPP || err == ENOSYS ? refused : err);
    }
    return file.release();
}

// Rewrites `target` where it stands, for a folder that refuses the new file beside it while
// the file itself may be written. The old contents are kept until the new ones are truncated
// and on disk, and put back when anything fails.
void rewriteInPlace(const QByteArray& target, qint64 size, const Producer& produce, int refused) {
    struct stat st {};
    const int fd = openReserved(target, off_t(size), refused, st);
    FileGuard file(fd);
    OldContents old(fd, target, st.st_size, std::max(size, kOldInMemory));
    try {
        produceInto(fd, size, produce);
        if (::ftruncate(fd, off_t(size)) != 0) throw errorFromErrno(errno);
        if (::fdatasync(fd) != 0) throw errorFromErrno(errno);
    } catch (const Error& e) {
        putBackAndThrow(fd, old, e);
    }
}

// What writing `path` replaces, with its status in `st` when it `exists`. Throws Error for a
// folder and for a file that may not be written.
QByteArray replacedBy(const QString& path, struct stat& st, bool& exists) {
    // Writing through links replaces what the last one points at, not a link.
    const QByteArray native = followLinks(QFile::encodeName(path));
    exists = ::stat(native.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw errorFromErrno(EISDIR);
    // Renaming over a file the user made read-only would get round its protection.
    if (exists && ::access(native.constData(), W_OK) != 0) throw errorFromErrno(errno);
    return native;
}

} // namespace

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

void replaceFile(const QString& path, const QByteArray& bytes, Flush flush) {
    replaceFile(
        path, bytes.size(), [&](ByteSink& sink) { sink.write(bytes.constData(), bytes.size()); },
        flush);
}

void replaceFile(const QString& path, qint64 size, const Producer& produce, Flush flush) {
    struct stat st {};
    bool exists = false;
    const QByteArray native = replacedBy(path, st, exists);
    QByteArray tempName;
    const int fd = createBeside(native, tempName);
    if (fd < 0) {
        const int err = errno;
        if (exists && (err == EACCES || err == EPERM))
            return rewriteInPlace(native, size, produce, err);
        throw errorFromErrno(err);
    }
    FileGuard temp(fd, tempName);
    if (exists) (void)::fchmod(fd, st.st_mode & 07777);
    produceInto(fd, size, produce);
    // On disk before it replaces anything, so a crash leaves the old file or the new one.
    if (flush == Flush::Now && ::fdatasync(fd) != 0) throw errorFromErrno(errno);
    if (const int err = temp.close()) throw errorFromErrno(err);
    if (::rename(tempName.constData(), native.constData()) == 0) return temp.keep();
    const int err = errno;
    // A sticky folder (as /tmp) refuses to rename over another user's file that the user may
    // still write: it is rewritten where it stands, from the complete new file.
    if (!exists || (err != EPERM && err != EACCES)) throw errorFromErrno(err);
    const int made = ::open(tempName.constData(), O_RDONLY | O_CLOEXEC);
    if (made < 0) throw errorFromErrno(errno);
    FileGuard reading(made);
    rewriteInPlace(
        native, size, [made, size](ByteSink& sink) { copyInto(sink, made, size); }, err);
}

void syncFolders(const QStringList& folders) {
    QList<dev_t> synced;
    for (const QString& folder : folders) {
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) throw errorFromErrno(errno);
        FileGuard guard(fd);
        struct stat st {};
        if (::fstat(fd, &st) != 0) throw errorFromErrno(errno);
        if (synced.contains(st.st_dev)) continue;
        if (::syncfs(fd) != 0) throw errorFromErrno(errno);
        synced.append(st.st_dev);
    }
}

} // namespace glimmer
