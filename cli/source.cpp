#include "cli/source.h"

#include <QFileInfo>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/picture_loader.h"
#include "encode/thumbnail.h"

namespace glimmer::cli {
namespace {

Picture readByQt(const QString& path, const ReadableFile& file) {
    QString why;
    QImage image =
        readPictureBytes(file.readAll(), QFileInfo(path).suffix().toLower().toLatin1(), why);
    if (image.isNull())
        throw Error(errc::InvalidPicture,
                    QStringLiteral("not a picture glimmer-pcx reads (PCX, DCX, PNG, BMP, GIF, "
                                   "JPEG, TGA): %1")
                        .arg(why));
    return Picture(std::move(image));
}

} // namespace

Source::Source(const QString& path) {
    const ReadableFile file(path);
    if (PcxPages::looksLikePcx(file.readStart(4)))
        m_pages.emplace(file);
    else
        m_picture = readByQt(path, file);
}

PcxResult Source::read(int i) const {
    if (m_pages) return m_pages->read(i);
    return m_picture;
}

PcxResult Source::readRows(int i, pcx::RowSink& sink) const {
    if (!m_pages) {
        feedRows(m_picture.image(), sink);
        return Picture();
    }
    pcx::Result r = m_pages->decodeRows(i, sink);
    if (r.status == pcx::Status::Ok) return Picture();
    return FromDecoded(std::move(r));
}

bool isOtherPictureName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char* s : {"png", "bmp", "gif", "jpg", "jpeg", "tga"})
        if (suffix == QLatin1String(s)) return true;
    return false;
}

} // namespace glimmer::cli
