#include "decode/picture_loader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "decode/error.h"
#include "decode/gif_indexes.h"
#include "pcx/status.h"

namespace glimmer {

Picture LoadPicture(const QString& path) {
    if (!QFileInfo(path).isFile()) throw Error(errc::FileNotFound);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    static const QList<QByteArray> accepted{"bmp", "gif", "jpeg", "jpg", "ico", "cur"};
    if (!reader.canRead() || !accepted.contains(reader.format().toLower()))
        throw Error(errc::InvalidPicture);
    QImage image = reader.read();
    if (image.isNull()) throw Error(errc::InvalidPicture, reader.errorString());
    return Picture(std::move(image));
}

QImage readPictureBytes(QByteArray bytes, const QByteArray& format, QString& why) {
    if (QImage gif = gifIndexes(bytes); !gif.isNull()) return gif;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    QImage image = reader.read();
    if (!image.isNull()) return image;
    // Qt refuses a picture past its allocation limit only as data it could not read.
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (size.isValid() && limit > 0 && qint64(size.width()) * size.height() * 4 > limit)
        throw Error(
            errc::OutOfMemory,
            QStringLiteral("%1: the picture is larger than the %2 MiB Qt's readers take")
                .arg(QLatin1String(pcx::kTooLargeText.data(), qsizetype(pcx::kTooLargeText.size())))
                .arg(limit >> 20));
    why = reader.errorString();
    return image;
}

} // namespace glimmer
