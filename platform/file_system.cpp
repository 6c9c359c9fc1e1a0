#include "platform/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "decode/error.h"
#include "decode/files.h"
#include "encode/write_file.h"

namespace glimmer::platform {
namespace {

QStringList entries(const QString& folder, QDir::Filters filter) {
    QDir dir(folder);
    if (!dir.exists()) throw Error(errc::FileNotFound);
    if (!dir.isReadable()) throw Error(errc::PermissionDenied);
    return dir.entryList(filter | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDir::Name | QDir::IgnoreCase);
}

} // namespace

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QStringList LocalFileSystem::fileNames(const QString& folder) const {
    return entries(folder, QDir::Files);
}

QStringList LocalFileSystem::subfolders(const QString& folder) const {
    return entries(folder, QDir::Dirs);
}

bool LocalFileSystem::isFolder(const QString& path) const {
    return QFileInfo(path).isDir();
}

bool LocalFileSystem::exists(const QString& path) const {
    return QFileInfo::exists(path);
}

bool LocalFileSystem::sameFile(const QString& a, const QString& b) const {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
    if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void LocalFileSystem::copyFile(const QString& from, const QString& to) {
    writeFile(to, readFile(from));
}

void LocalFileSystem::removeFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) throw errorFromErrno(errno);
    if (S_ISDIR(st.st_mode)) throw errorFromErrno(EISDIR);
    if (::unlink(native.constData()) != 0) throw errorFromErrno(errno);
}

QByteArray LocalFileSystem::readFile(const QString& path) const {
    return readWholeFile(path);
}

void LocalFileSystem::writeFile(const QString& path, const QByteArray& bytes) {
    replaceFile(path, bytes);
}

} // namespace glimmer::platform
