#include "decode/files.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "decode/error.h"

namespace glimmer {
namespace {

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

} // namespace

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
    struct stat st {};
    const int err = ::fstat(fd, &st) != 0 ? errno : 0;
    if (err != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw err != 0 ? errorFromErrno(err) : Error(errc::FileNotFound);
    }
    m_size = st.st_size;
    m_fd = fd;
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
    if (m_size > maxBytes)
        throw Error(errc::OutOfMemory, QStringLiteral("%1: the file is larger than the %2 MiB "
                                                      "read at the most")
                                           .arg(QLatin1String(pcx::kTooLargeText.data(),
                                                              qsizetype(pcx::kTooLargeText.size())))
                                           .arg(maxBytes >> 20));
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

QStringList outputsOverInputs(const QStringList& inputs, const QStringList& outputs) {
    const auto id = [](const QString& path) -> std::optional<std::pair<dev_t, ino_t>> {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
        return std::pair{st.st_dev, st.st_ino};
    };
    std::set<std::pair<dev_t, ino_t>> in;
    for (const QString& path : inputs)
        if (const auto i = id(path)) in.insert(*i);
    QStringList over;
    for (const QString& path : outputs)
        if (const auto o = id(path); o && in.contains(*o)) over.append(path);
    return over;
}

QByteArray followLinks(const QByteArray& path) {
    constexpr int kMostLinks = 40; // as the kernel follows them
    QByteArray at = path;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(at.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        if (links == kMostLinks) throw errorFromErrno(ELOOP);
        QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1,
                          Qt::Uninitialized);
        const ssize_t n = ::readlink(at.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size()) return at; // changed meanwhile: as the kernel finds it
        target.truncate(n);
        const qsizetype slash = at.lastIndexOf('/');
        at = target.startsWith('/') || slash < 0 ? target : at.left(slash + 1) + target;
    }
}

QByteArray readWholeFile(const QString& path, qint64 maxBytes) {
    return ReadableFile(path).readAll(maxBytes);
}

} // namespace glimmer
