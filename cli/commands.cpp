#include "cli/commands.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageWriter>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "cli/convert.h"
#include "decode/error.h"
#include "decode/files.h"
#include "decode/read_pcx.h"
#include "decode/telling.h"
#include "encode/thumbnail.h"
#include "encode/write_file.h"
#include "png/png_writer.h"

namespace glimmer::cli {
namespace {

QString kindOf(const pcx::PcxHeader& h) {
    if (h.bits_per_pixel == 8 && h.nplanes == 1) return QStringLiteral("8-bit paletted");
    if (h.bits_per_pixel == 8 && h.nplanes == 3) return QStringLiteral("24-bit RGB");
    return QStringLiteral("%1-bit").arg(h.bits_per_pixel);
}

QString describe(const pcx::Result& r) {
    pcx::Geometry g;
    const QString size = pcx::compute_geometry(r.header, g) == pcx::Status::Ok
                             ? QStringLiteral("%1x%2").arg(g.width).arg(g.height)
                             : QStringLiteral("size overflows");
    const Telling told = telling(r.status);
    QString verdict = QStringLiteral("decodes");
    if (told.verdict == Verdict::Refused)
        verdict = QStringLiteral("refused (%1)").arg(QString::fromUtf8(pcx::to_string(r.status)));
    else if (told.verdict == Verdict::Failed)
        verdict = QStringLiteral("error %1: %2").arg(told.number).arg(told.text);
    return QStringLiteral("%1, %2, planes %3, BytesPerLine %4, %5")
        .arg(kindOf(r.header), size)
        .arg(r.header.nplanes)
        .arg(r.header.bytes_per_line)
        .arg(verdict);
}

int statusOf(pcx::Status s) {
    switch (telling(s).verdict) {
    case Verdict::Decoded:
        return kDecoded;
    case Verdict::Refused:
        return kRefused;
    case Verdict::Failed:
        return kFailed;
    }
    return kFailed;
}

// Says "WHAT: error N: TEXT" on stderr; the exit status of a failure.
int fail(Io io, const QString& what, const Error& e) {
    io.err << what << ": error " << e.number() << ": " << e.text() << Qt::endl;
    return kFailed;
}

// Says why `file` is not decoded, in the viewer's words where it has any; the exit status.
int tell(const QString& file, const PcxResult& result, Io io) {
    if (const auto* e = std::get_if<Error>(&result)) return fail(io, file, *e);
    const QString text = telling(std::get<Refusal>(result).kind).text;
    io.err << file
           << ": refused: " << (text.isEmpty() ? QStringLiteral("unsupported kind of PCX") : text)
           << Qt::endl;
    return kRefused;
}

// Decodes `in` as the viewer would; 0 with `pic` set, or the failure status after saying why.
int load(const QString& in, Picture& pic, Io io) {
    PcxResult result = ReadPcx(in);
    if (auto* decoded = std::get_if<Picture>(&result)) {
        pic = std::move(*decoded);
        return kDecoded;
    }
    return tell(in, result, io);
}

// Encodes in memory first: the file is then written in one piece, and a full disk or a refused
// folder is reported with its number instead of whatever the encoder makes of it.
int write(const Picture& pic, const QString& out, const QByteArray& format, Io io) {
    QByteArray encoded;
    if (format == "png") {
        // Chosen by bench/png_bench: smaller than ImageMagick's output, many times faster.
        encoded = encodePng(pic.image(), {.level = 6});
        if (encoded.isEmpty()) return fail(io, out, Error(errc::OutOfMemory));
    } else {
        QImage image = pic.image();
        if (format == "ppm") image = image.convertToFormat(QImage::Format_RGB888);
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (!writer.write(image)) {
            io.err << out << ": cannot encode: " << writer.errorString() << Qt::endl;
            return kFailed;
        }
    }
    try {
        writeFileAtomically(out, encoded);
    } catch (const Error& e) {
        return fail(io, out, e);
    }
    return kDecoded;
}

QByteArray formatOf(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char* f : {"png", "bmp", "ppm"})
        if (suffix == QLatin1String(f)) return QByteArray(f);
    return {};
}

} // namespace

int convertTo(const QString& in, const QString& out, bool makeFolder, Io io) {
    const QByteArray format = formatOf(out);
    if (format.isEmpty()) {
        io.err << out << ": the output name must end in .png, .bmp or .ppm" << Qt::endl;
        return kFailed;
    }
    Picture pic;
    if (int s = load(in, pic, io); s != kDecoded) return s;
    if (makeFolder) {
        const QString folder = QFileInfo(out).path();
        try {
            makeFolders(folder);
        } catch (const Error& e) {
            return fail(io, folder, e);
        }
    }
    return write(pic, out, format, io);
}

int info(const QStringList& files, Io io) {
    int worst = kDecoded;
    for (const QString& f : files) {
        const auto r = DecodePcxFile(f);
        if (const auto* e = std::get_if<Error>(&r)) {
            worst = fail(io, f, *e);
            continue;
        }
        const auto& result = std::get<pcx::Result>(r);
        io.out << f << ": " << describe(result) << Qt::endl;
        worst = std::max(worst, statusOf(result.status));
    }
    return worst;
}

int convertOne(const QString& in, const QString& out, Io io) {
    return convertTo(in, out, false, io);
}

int thumbnail(const QString& in, const QString& out, int size, Io io) {
    Picture pic;
    if (int s = load(in, pic, io); s != kDecoded) return s;
    const QImage image = thumbnailImage(pic.image(), size);
    if (image.isNull()) return fail(io, in, Error(errc::OutOfMemory));
    return write(Picture(image), out, "png", io);
}

int bench(const QString& file, int runs, Io io) {
    QByteArray bytes;
    try {
        bytes = readWholeFile(file);
    } catch (const Error& e) {
        return fail(io, file, e);
    }
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const PcxResult result = DecodePcx(bytes);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (!std::holds_alternative<Picture>(result)) return tell(file, result, io);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    io.out << "decodes: " << runs << ", fastest ms: " << ms.front() << Qt::endl;
    io.out << median << Qt::endl;
    return kDecoded;
}

} // namespace glimmer::cli
