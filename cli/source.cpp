#include "cli/source.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/gif_indexes.h"
#include "pcx/dcx.h"

namespace glimmer::cli {
namespace {

bool looksLikePcx(const QByteArray& start) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(start.constData());
    return (!start.isEmpty() && bytes[0] == 10) ||
           pcx::is_dcx(std::span(bytes, static_cast<std::size_t>(start.size())));
}

Picture readByQt(const QString& path, const ReadableFile& file) {
    QByteArray bytes = file.readAll();
    if (QImage gif = gifIndexes(bytes); !gif.isNull()) return Picture(std::move(gif));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // The suffix helps formats without a signature (TGA); the content decides otherwise.
    QImageReader reader(&buffer, QFileInfo(path).suffix().toLower().toLatin1());
    QImage image = reader.read();
    if (image.isNull())
        throw Error(errc::InvalidPicture,
                    QStringLiteral("not a picture glimmer-pcx reads (PCX, DCX, PNG, BMP, GIF, "
                                   "JPEG, TGA): %1")
                        .arg(reader.errorString()));
    return Picture(std::move(image));
}

} // namespace

Source::Source(const QString& path) {
    const ReadableFile file(path);
    if (looksLikePcx(file.readStart(4)))
        m_pages.emplace(file);
    else
        m_picture = readByQt(path, file);
}

PcxResult Source::read(int i) const {
    if (m_pages) return m_pages->read(i);
    return m_picture;
}

bool isOtherPictureName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char* s : {"png", "bmp", "gif", "jpg", "jpeg", "tga"})
        if (suffix == QLatin1String(s)) return true;
    return false;
}

} // namespace glimmer::cli
