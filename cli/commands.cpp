#include "cli/commands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "cli/confined_thumbnail.h"
#include "cli/convert.h"
#include "decode/error.h"
#include "decode/files.h"
#include "decode/pcx_pages.h"
#include "decode/read_pcx.h"
#include "decode/telling.h"
#include "encode/bmp_writer.h"
#include "encode/pcx_writer.h"
#include "encode/ppm_writer.h"
#include "encode/thumbnail.h"
#include "encode/write_file.h"
#include "png/png_writer.h"
#include "tga/header.h"

namespace glimmer::cli {

int fail(Io io, const QString& what, const Error& e) {
    io.err << what << ": error " << e.number() << ": " << e.text() << Qt::endl;
    return kFailed;
}

namespace {

QString kindOf(const pcx::PcxHeader& h) {
    switch (pcx::kind_of(h)) {
    case pcx::Kind::Paletted8:
        return QStringLiteral("8-bit paletted");
    case pcx::Kind::Rgb24:
        return QStringLiteral("24-bit RGB");
    case pcx::Kind::Rgba32:
        return QStringLiteral("32-bit RGBA");
    case pcx::Kind::Packed1:
        return QStringLiteral("1-bit two-colour");
    case pcx::Kind::Packed2:
        return QStringLiteral("2-bit four-colour");
    case pcx::Kind::Packed4:
        return QStringLiteral("4-bit 16-colour");
    case pcx::Kind::Planar2:
        return QStringLiteral("four-colour planar");
    case pcx::Kind::Planar3:
        return QStringLiteral("eight-colour planar");
    case pcx::Kind::Planar4:
        return QStringLiteral("16-colour planar");
    case pcx::Kind::Unknown:
        break;
    }
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

// Says why `file` is not decoded, in the viewer's words where it has any; the exit status.
int tell(const QString& file, const PcxResult& result, Io io) {
    if (const auto* e = std::get_if<Error>(&result)) return fail(io, file, *e);
    const pcx::Status kind = std::get<Refusal>(result).kind;
    const QString text = telling(kind).text;
    io.err << file
           << ": refused: " << (text.isEmpty() ? QString::fromUtf8(pcx::to_string(kind)) : text)
           << Qt::endl;
    return kRefused;
}

// Decodes page `page` (from 0); 0 with `pic` set, or the failure status after saying why.
// The viewer's kinds are decoded exactly as the viewer does.
int load(const QString& in, const PictureFile& pages, int page, Picture& pic, Io io) {
    PcxResult result = pages.read(page);
    if (auto* decoded = std::get_if<Picture>(&result)) {
        pic = std::move(*decoded);
        return kDecoded;
    }
    return tellPage(in, pages, page, result, io);
}

// What an 8-bit PCX file holds of `image`: its own indexes, or indexes made for it. Throws
// Error; a picture the file cannot hold is refused before any colour is chosen.
QImage pcxIndexes(const QImage& image, const PcxOutput& pcx) {
    checkPcxFits(image.size(), pcx.truecolor);
    const bool paletted =
        image.format() == QImage::Format_Mono || image.format() == QImage::Format_Indexed8;
    if (pcx.truecolor || (paletted && !pcx.indexing.mask && pcx.indexing.palette.isEmpty()))
        return image;
    QImage indexed = toIndexed8(image, pcx.indexing);
    if (indexed.isNull()) throw Error(errc::OutOfMemory);
    return indexed;
}

// BMP, PPM and PCX a row at a time as the file is written, so that only a row is held beside
// the picture (and a PCX file's indexes); a picture the file cannot hold is refused before
// anything is written.
int writeRows(const QImage& image, const QString& out, const QByteArray& format,
              const PcxOutput& pcx, Flush flush, Io io) {
    try {
        if (format == "bmp") {
            replaceFile(
                out, bmpSize(image), [&](ByteSink& sink) { writeBmp(image, sink); }, flush);
        } else if (format == "ppm") {
            replaceFile(
                out, ppmSize(image), [&](ByteSink& sink) { writePpm(image, sink); }, flush);
        } else {
            const QImage indexes = pcxIndexes(image, pcx);
            const PcxFile file(indexes, pcx.truecolor);
            replaceFile(
                out, file.size(), [&](ByteSink& sink) { file.write(sink); }, flush);
        }
    } catch (const Error& e) {
        return fail(io, out, e);
    }
    return kDecoded;
}

// PNG is encoded in memory first: the file is then written in one piece, and a full disk or a
// refused folder is reported with its number instead of whatever the encoder makes of it.
int write(const Picture& pic, const QString& out, const QByteArray& format, const PcxOutput& pcx,
          Flush flush, Io io) {
    if (format != "png") return writeRows(pic.image(), out, format, pcx, flush, io);
    // Chosen by bench/png_bench: smaller than ImageMagick's output, many times faster.
    const QByteArray encoded = encodePng(pic.image(), {.level = 6});
    if (encoded.isEmpty()) return fail(io, out, Error(errc::OutOfMemory));
    try {
        replaceFile(out, encoded, flush);
    } catch (const Error& e) {
        return fail(io, out, e);
    }
    return kDecoded;
}

QByteArray formatOf(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char* f : {"png", "bmp", "ppm", "pcx"})
        if (suffix == QLatin1String(f)) return QByteArray(f);
    return {};
}

int convertPage(const QString& in, const PictureFile& pages, int page, const QString& out,
                bool makeFolder, const PcxOutput& pcx, Flush flush, Io io) {
    const QByteArray format = formatOf(out);
    if (format.isEmpty()) {
        io.err << out << ": the output name must end in .png, .bmp, .ppm or .pcx" << Qt::endl;
        return kFailed;
    }
    Picture pic;
    if (int s = load(in, pages, page, pic, io); s != kDecoded) return s;
    if (makeFolder) {
        const QString folder = QFileInfo(out).path();
        try {
            makeFolders(folder);
        } catch (const Error& e) {
            return fail(io, folder, e);
        }
    }
    return write(pic, out, format, pcx, flush, io);
}

} // namespace

// Says what is wrong with a DCX file's table of pages; the exit status.
int tellTable(const QString& file, pcx::Status table, Io io) {
    const Telling told = telling(table);
    return fail(io, file, Error(told.number, told.text));
}

// Says why page `page` (from 0) of `in` is not decoded, naming the page of a DCX file.
int tellPage(const QString& in, const PictureFile& pages, int page, const PcxResult& result,
             Io io) {
    return tell(pages.isDcx() ? QStringLiteral("%1 page %2").arg(in).arg(page + 1) : in, result,
                io);
}

// `in` with a sound table of pages, or nothing after saying why not.
std::optional<PictureFile> openSource(const QString& in, Io io) {
    try {
        PictureFile source(in);
        if (source.table() == pcx::Status::Ok) return source;
        tellTable(in, source.table(), io);
    } catch (const Error& e) {
        fail(io, in, e);
    }
    return std::nullopt;
}

// `in` opened when it has page `page` (from 0); else nothing, after saying why.
std::optional<PictureFile> openPage(const QString& in, int page, Io io) {
    auto source = openSource(in, io);
    if (source && page >= source->count()) {
        io.err << in << ": no page " << page + 1 << "; it has " << source->count() << Qt::endl;
        return std::nullopt;
    }
    return source;
}

int loadRows(const QString& in, int page, pcx::RowSink& sink, Io io) {
    const auto source = openPage(in, page, io);
    if (!source) return kFailed;
    const PcxResult result = source->readRows(page, sink);
    if (std::holds_alternative<Picture>(result)) return kDecoded;
    return tellPage(in, *source, page, result, io);
}

int writePicture(const Picture& pic, const QString& out, const PcxOutput& pcx, Io io) {
    return write(pic, out, formatOf(out), pcx, Flush::Now, io);
}

std::vector<int> convertTo(const QString& in, const QStringList& outs, bool makeFolder,
                           const PcxOutput& pcx, Io io) {
    const auto pages = openSource(in, io);
    if (!pages) return {kFailed};
    std::vector<int> statuses;
    for (int i = 0; i < outs.size() && i < pages->count(); ++i)
        statuses.push_back(convertPage(in, *pages, i, outs[i], makeFolder, pcx, Flush::Later, io));
    return statuses;
}

namespace {

// Takes rows and keeps none: what is asked of a decode is only whether it succeeds.
class Discard : public pcx::RowSink {
  public:
    bool start(const pcx::Image&) noexcept override { return true; }
    void row(int, const std::uint8_t*) noexcept override {}
};

// The description lines of a PCX or DCX file; the worst status of its pages.
int describePages(const QString& f, const PcxPages& pages, Io io) {
    if (pages.table() != pcx::Status::Ok) return tellTable(f, pages.table(), io);
    if (pages.isDcx()) io.out << f << ": DCX, " << pages.count() << " pages" << Qt::endl;
    int worst = kDecoded;
    for (int i = 0; i < pages.count(); ++i) {
        Discard rows;
        const pcx::Result result = pages.decodeRows(i, rows);
        io.out << f;
        if (pages.isDcx()) io.out << " page " << i + 1;
        io.out << ": " << describe(result) << Qt::endl;
        worst = std::max(worst, statusOf(result.status));
    }
    return worst;
}

QString tgaKind(const tga::Header& h) {
    static const char* const kinds[] = {"", "colour-mapped", "true-colour", "grey"};
    return QStringLiteral("TGA %1%2, %3 bits a pixel")
        .arg(QLatin1String(kinds[h.base_type() & 3]),
             h.rle() ? QStringLiteral(" run-length") : QString())
        .arg(h.pixel_bits);
}

// A TGA file's kind and size, and the verdict convert gives it.
int describeTga(const QString& f, const PictureFile& source, Io io) {
    const tga::Header h = tga::Header::parse(bytesOf(source.bytes()));
    Discard rows;
    const PcxResult read = source.readRows(0, rows);
    io.out << f << ": " << tgaKind(h) << ", " << h.width << 'x' << h.height << ", ";
    if (const auto* e = std::get_if<Error>(&read)) {
        io.out << "error " << e->number() << ": " << e->text() << Qt::endl;
        return kFailed;
    }
    io.out << "decodes" << Qt::endl;
    return kDecoded;
}

// A picture of another format gets the verdict convert gives it.
int describeOther(const QString& f, const PictureFile& source, Io io) {
    Shrinker size(Framing::Longest, 1);
    const PcxResult read = source.readRows(0, size);
    if (!std::holds_alternative<Picture>(read)) return tell(f, read, io);
    io.out << f << ": not PCX, a picture of " << size.pictureSize().width() << 'x'
           << size.pictureSize().height() << ", decodes" << Qt::endl;
    return kDecoded;
}

} // namespace

int info(const QStringList& files, Io io) {
    int worst = kDecoded;
    for (const QString& f : files) {
        try {
            const PictureFile source(f);
            int status = kDecoded;
            switch (source.kind()) {
            case PictureKind::Pcx:
                status = describePages(f, source.pages(), io);
                break;
            case PictureKind::Tga:
                status = describeTga(f, source, io);
                break;
            case PictureKind::Other:
                status = describeOther(f, source, io);
                break;
            }
            worst = std::max(worst, status);
        } catch (const Error& e) {
            worst = std::max(worst, fail(io, f, e));
        }
    }
    return worst;
}

bool outputIsNotInput(const QString& in, const QString& out, Io io) {
    if (outputsOverInputs({in}, {out}).isEmpty()) return true;
    io.err << out << ": the output is the input itself; nothing written" << Qt::endl;
    return false;
}

int convertOne(const QString& in, int page, const QString& out, const PcxOutput& pcx, Io io) {
    if (!outputIsNotInput(in, out, io)) return kFailed;
    const auto pages = openPage(in, page, io);
    return pages ? convertPage(in, *pages, page, out, false, pcx, Flush::Now, io) : kFailed;
}

int pageCount(const QString& in) {
    try {
        return PcxPages::countIn(in);
    } catch (const Error&) {
        return 1; // converting it says why
    }
}

int thumbnail(const QString& in, const QString& out, int size, Io io) {
    if (!outputIsNotInput(in, out, io)) return kFailed;
    QImage image;
    if (int s = confinedThumbnail(in, size, image, io); s != kDecoded) return s;
    return write(Picture(image), out, "png", {}, Flush::Now, io);
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
        const PcxResult result = DecodePcx(bytes, pcx::Kinds::Every);
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
