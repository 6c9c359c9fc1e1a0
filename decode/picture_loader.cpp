#include "decode/picture_loader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "decode/error.h"
#include "decode/gif_indexes.h"

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
    QImage image = reader.read();
    if (image.isNull()) why = reader.errorString();
    return image;
}

} // namespace glimmer
