// What modders of the game ask of textures: the editor's rules checked, map previews, palettes.
#include <QFileInfo>
#include <variant>

#include "cli/convert.h"
#include "decode/files.h"
#include "decode/palette_file.h"
#include "decode/telling.h"
#include "encode/thumbnail.h"
#include "pcx/runs.h"

namespace glimmer::cli {
namespace {

constexpr int kPreviewSide = 256;

bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Collects one file's findings and the exit status they come to.
class Findings {
  public:
    Findings(const QString& file, Io io) : m_file(file), m_io(io) {}
    void error(const QString& text) { say("error", text, kFailed); }
    void warning(const QString& text) { say("warning", text, kRefused); }
    void note(const QString& text) { m_io.out << m_file << ": note: " << text << Qt::endl; }
    int end() {
        if (m_status == kDecoded) m_io.out << m_file << ": ok" << Qt::endl;
        return m_status;
    }

  private:
    void say(const char* what, const QString& text, int status) {
        m_io.out << m_file << ": " << what << ": " << text << Qt::endl;
        m_status = std::max(m_status, status);
    }
    QString m_file;
    Io m_io;
    int m_status = kDecoded;
};

// What check needs of a picture's rows: its shape, and how many pixels use index 0.
class Seen : public pcx::RowSink {
  public:
    bool start(const pcx::Image& shape) noexcept override {
        m_width = shape.width, m_height = shape.height;
        m_indexed = shape.format == pcx::PixelFormat::Indexed8;
        m_colour0 = shape.colours[0];
        return true;
    }
    void row(int, const std::uint8_t* pixels) noexcept override {
        if (m_indexed) m_zeros += std::count(pixels, pixels + m_width, 0);
    }
    int m_width = 0, m_height = 0;
    bool m_indexed = false;
    std::uint32_t m_colour0 = 0;
    qint64 m_zeros = 0;
};

void checkSides(const Seen& seen, Findings& say) {
    const QString size = QStringLiteral("%1x%2").arg(seen.m_width).arg(seen.m_height);
    if (!powerOfTwo(seen.m_width) || !powerOfTwo(seen.m_height))
        say.warning(size + QStringLiteral(": a side is not a power of two"));
    const int longest = std::max(seen.m_width, seen.m_height);
    if (longest > 1024)
        say.warning(size + QStringLiteral(": a side is above 1024, more than the editor takes "
                                          "for a texture"));
    else if (longest > 256)
        say.warning(size + QStringLiteral(": a side is above 256; import it with mipmaps"));
}

void checkIndexZero(const Seen& seen, Findings& say) {
    const QString hex =
        QStringLiteral("%1").arg(seen.m_colour0 & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
    say.note(QStringLiteral("index 0 is #%1, used by %2 of %3 pixels; a masked import hides them")
                 .arg(hex)
                 .arg(seen.m_zeros)
                 .arg(qint64(seen.m_width) * seen.m_height));
}

void checkPcx(const QByteArray& bytes, Findings& say) {
    const PcxPages pages(bytes);
    if (pages.isDcx()) return say.error(QStringLiteral("a DCX file; the editor takes PCX files"));
    const pcx::PcxHeader h = pcx::PcxHeader::parse(bytesOf(bytes));
    const pcx::Kind kind = pcx::kind_of(h);
    Seen seen;
    pcx::Result decoded = pages.decodeRows(0, seen);
    if (decoded.status != pcx::Status::Ok) {
        const PcxResult read = FromDecoded(std::move(decoded));
        const auto* e = std::get_if<Error>(&read);
        return say.error(e ? QStringLiteral("error %1: %2").arg(e->number()).arg(e->text())
                           : QStringLiteral("not a kind of PCX file that decodes"));
    }
    if (kind != pcx::Kind::Paletted8)
        say.error(QStringLiteral("%1 bits and %2 planes; the editor takes 8 bits, one plane and "
                                 "a 256-colour palette")
                      .arg(h.bits_per_pixel)
                      .arg(h.nplanes));
    else if (bytes.size() < qsizetype(pcx::kHeaderSize + pcx::kPaletteTail) ||
             bytes[bytes.size() - qsizetype(pcx::kPaletteTail)] != 12)
        say.error(QStringLiteral("no 256-colour palette at the end of the file"));
    checkSides(seen, say);
    if (const auto n = pcx::runs_across_lines(bytesOf(bytes)); n > 0)
        say.warning(
            (n == 1 ? QStringLiteral("1 run crosses") : QStringLiteral("%1 runs cross").arg(n)) +
            QStringLiteral(" from one scan line to the next; some readers cut them"));
    if (kind == pcx::Kind::Paletted8) checkIndexZero(seen, say);
}

} // namespace

int check(const QStringList& files, Io io) {
    int worst = kDecoded;
    for (const QString& file : files) {
        Findings say(file, io);
        try {
            const QByteArray bytes = readWholeFile(file);
            if (!PcxPages::isPcx(bytes, file))
                say.error(QStringLiteral("not a PCX file"));
            else
                checkPcx(bytes, say);
        } catch (const Error& e) {
            say.error(QStringLiteral("error %1: %2").arg(e.number()).arg(e.text()));
        }
        worst = std::max(worst, say.end());
    }
    return worst;
}

int palette(const QString& file, bool jasc, Io io) {
    QList<QRgb> colours;
    try {
        colours = readPaletteFile(file);
    } catch (const Error& e) {
        return fail(io, file, e);
    }
    const QByteArray text =
        jasc ? jascPalette(colours) : gimpPalette(colours, QFileInfo(file).completeBaseName());
    io.out << QString::fromUtf8(text);
    io.out.flush();
    return kDecoded;
}

int preview(const QString& in, const QString& out, bool fit, const PcxOutput& pcx, Io io) {
    if (!outputIsNotInput(in, out, io)) return kFailed;
    Shrinker shrinker(fit ? Framing::Fit : Framing::Cover, kPreviewSide);
    if (int s = loadRows(in, 0, shrinker, io); s != kDecoded) return s;
    const QImage square = shrinker.result().convertToFormat(QImage::Format_ARGB32);
    if (square.isNull()) return fail(io, in, Error(errc::OutOfMemory));
    PcxOutput eightBit = pcx;
    eightBit.truecolor = false;
    return writePicture(Picture(square), out, eightBit, io);
}

} // namespace glimmer::cli
