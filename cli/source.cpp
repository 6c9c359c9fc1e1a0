#include "cli/source.h"

#include <QFileInfo>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/gif_indexes.h"
#include "decode/picture_loader.h"
#include "encode/thumbnail.h"

namespace glimmer::cli {

Source::Source(const QString& path) : m_path(path) {
    const ReadableFile file(path);
    if (PcxPages::isPcx(file.readStart(static_cast<qint64>(pcx::kHeaderSize)), path))
        m_pages.emplace(file);
    else
        m_bytes = file.readAll();
}

PcxResult Source::read(int i) const {
    if (m_pages) return m_pages->read(i);
    QString why;
    QImage image = readPictureBytes(m_bytes, QFileInfo(m_path).suffix().toLower().toLatin1(), why);
    if (image.isNull())
        return Error(errc::InvalidPicture,
                     QStringLiteral("not a picture glimmer-pcx reads (PCX, DCX, PNG, BMP, GIF, "
                                    "JPEG, TGA): %1")
                         .arg(why));
    return Picture(std::move(image));
}

PcxResult Source::readRows(int i, pcx::RowSink& sink) const {
    if (m_pages) {
        pcx::Result r = m_pages->decodeRows(i, sink);
        if (r.status == pcx::Status::Ok) return Picture();
        return FromDecoded(std::move(r));
    }
    if (gifRows(m_bytes, sink) == GifRows::Streamed) return Picture();
    PcxResult read = this->read(i);
    if (const auto* picture = std::get_if<Picture>(&read)) {
        feedRows(picture->image(), sink);
        return Picture();
    }
    return read;
}

bool isOtherPictureName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char* s : {"png", "bmp", "gif", "jpg", "jpeg", "tga"})
        if (suffix == QLatin1String(s)) return true;
    return false;
}

} // namespace glimmer::cli
