#include "decode/files.h"

#include <QFile>
#include <QFileInfo>

#include "decode/error.h"

namespace glimmer {

QByteArray readWholeFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError) throw Error(errc::PermissionDenied);
        throw Error(errc::FileNotFound);
    }
    const qint64 size = file.size();
    if (size > maxBytes) throw Error(errc::OutOfMemory);
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(bytes.data() + got, size - got);
        if (n < 0) throw Error(errc::DeviceUnavailable, file.errorString());
        if (n == 0) break; // the file shrank while being read
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

bool FileExists(const QString& path) noexcept {
    try {
        return !path.isEmpty() && QFileInfo(path).exists();
    } catch (...) {
        return false;
    }
}

} // namespace glimmer
