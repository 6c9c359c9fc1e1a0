#include "decode/picture_file.h"

#include <QFileInfo>
#include <algorithm>
#include <new>

#include "decode/files.h"
#include "decode/gif_indexes.h"
#include "decode/picture_loader.h"
#include "tga/decode.h"

namespace glimmer {
namespace {

bool hasSignature(const QByteArray& start) {
    return start.startsWith("\x89PNG") || start.startsWith("GIF8") || start.startsWith("BM") ||
           start.startsWith("\xFF\xD8\xFF");
}

bool hasSuffix(const QString& name, const char* suffix) {
    return QFileInfo(name).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

PcxResult fromTga(tga::Result r) {
    if (r.status != tga::Status::Ok) return tgaError(r.status);
    try {
        return MakePicture(std::move(r.image));
    } catch (const Error& e) {
        return e;
    }
}

} // namespace

PictureKind pictureKind(const QByteArray& start, const QString& name) {
    if (PcxPages::isPcx(start, name)) return PictureKind::Pcx;
    if (hasSignature(start)) return PictureKind::Other;
    if (tga::plausible(tga::Header::parse(bytesOf(start))) || hasSuffix(name, "tga"))
        return PictureKind::Tga;
    return PictureKind::Other;
}

bool isOtherPictureName(const QString& name) {
    for (const char* s : {"png", "bmp", "gif", "jpg", "jpeg", "tga"})
        if (hasSuffix(name, s)) return true;
    return false;
}

Error tgaError(tga::Status status) {
    const int number = tga::status_number(status);
    const std::string_view cause = tga::to_string(status);
    const QString said =
        status == tga::Status::TooLarge
            ? QString::fromLatin1(pcx::kTooLargeText.data(), qsizetype(pcx::kTooLargeText.size()))
            : Error::standardText(number);
    return Error(number, said + QStringLiteral(": ") +
                             QString::fromLatin1(cause.data(), qsizetype(cause.size())));
}

PictureFile::PictureFile(const QString& path) : PictureFile(ReadableFile(path), path) {}

PictureFile::PictureFile(const ReadableFile& file, const QString& name) : m_name(name) {
    m_kind = pictureKind(file.readStart(static_cast<qint64>(pcx::kHeaderSize)), name);
    if (m_kind == PictureKind::Pcx)
        m_pages.emplace(file);
    else
        m_bytes = file.readAll();
}

PictureFile::PictureFile(QByteArray bytes, const QString& name)
    : m_name(name), m_kind(pictureKind(bytes.left(qsizetype(pcx::kHeaderSize)), name)) {
    if (m_kind == PictureKind::Pcx)
        m_pages.emplace(std::move(bytes));
    else
        m_bytes = std::move(bytes);
}

PcxResult PictureFile::read(int i) const {
    try {
        switch (m_kind) {
        case PictureKind::Pcx:
            return m_pages->read(i);
        case PictureKind::Tga:
            return fromTga(tga::decode(bytesOf(m_bytes)));
        case PictureKind::Other:
            break;
        }
        return readOther();
    } catch (const std::bad_alloc&) {
        return Error(errc::OutOfMemory);
    }
}

PcxResult PictureFile::readOther() const try {
    QString why;
    const QByteArray format = QFileInfo(m_name).suffix().toLower().toLatin1();
    QImage image = readPictureBytes(m_bytes, format, why);
    if (image.isNull())
        return Error(errc::InvalidPicture,
                     QStringLiteral("not a picture glimmer-pcx reads (PCX, DCX, PNG, BMP, GIF, "
                                    "JPEG, TGA): %1")
                         .arg(why));
    return Picture(std::move(image));
} catch (const Error& e) {
    return e;
}

PcxResult PictureFile::readRows(int i, pcx::RowSink& sink) const {
    try {
        if (m_kind == PictureKind::Pcx) {
            pcx::Result r = m_pages->decodeRows(i, sink);
            if (r.status == pcx::Status::Ok) return Picture();
            return FromDecoded(std::move(r));
        }
        if (m_kind == PictureKind::Tga) {
            const tga::Result r = tga::decode_rows(bytesOf(m_bytes), sink);
            if (r.status == tga::Status::Ok) return Picture();
            return tgaError(r.status);
        }
        if (gifRows(m_bytes, sink) == GifRows::Streamed) return Picture();
        PcxResult read = readOther();
        if (const auto* picture = std::get_if<Picture>(&read)) {
            feedRows(picture->image(), sink);
            return Picture();
        }
        return read;
    } catch (const std::bad_alloc&) {
        return Error(errc::OutOfMemory);
    }
}

void feedRows(const QImage& picture, pcx::RowSink& sink) {
    QImage image = picture;
    pcx::Image shape;
    switch (image.format()) {
    case QImage::Format_Indexed8:
        shape.format = pcx::PixelFormat::Indexed8;
        break;
    case QImage::Format_Mono:
        shape.format = pcx::PixelFormat::Mono1;
        break;
    case QImage::Format_RGB32:
        shape.format = pcx::PixelFormat::Rgb32;
        break;
    default:
        image = picture.convertToFormat(QImage::Format_ARGB32);
        shape.format = pcx::PixelFormat::Argb32;
        break;
    }
    if (image.isNull()) return;
    shape.width = image.width();
    shape.height = image.height();
    shape.stride = static_cast<std::size_t>(image.bytesPerLine());
    const QList<QRgb> table = image.colorTable();
    shape.colour_count = static_cast<int>(std::min<qsizetype>(256, table.size()));
    std::copy_n(table.begin(), shape.colour_count, shape.colours.begin());
    if (!sink.start(shape)) return;
    for (int y = 0; y < image.height(); ++y)
        sink.row(y, image.constScanLine(y));
}

} // namespace glimmer
