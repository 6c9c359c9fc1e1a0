#include "decode/error.h"

#include <cerrno>
#include <cstring>

#include "pcx/status.h"

namespace glimmer {

Error::Error(int number) : Error(number, standardText(number)) {}

Error::Error(int number, QString text)
    : m_number(number), m_text(std::move(text)),
      m_what(QStringLiteral("error %1: %2").arg(number).arg(m_text).toStdString()) {}

QString Error::standardText(int number) {
    switch (number) {
    case errc::Overflow:
    case errc::OutOfMemory:
    case errc::OutOfRange:
    case errc::BadFilePosition: {
        const std::string_view text = pcx::standard_text(number);
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    case errc::FileNotFound:
        return QStringLiteral("File not found");
    case errc::DiskFull:
        return QStringLiteral("Disk full");
    case errc::DeviceUnavailable:
        return QStringLiteral("Device unavailable");
    case errc::PermissionDenied:
        return QStringLiteral("Permission denied");
    case errc::InvalidPicture:
        return QStringLiteral("Invalid picture");
    default:
        return QStringLiteral("Error %1").arg(number);
    }
}

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

} // namespace glimmer
