// glimmer-pcx: checks, conversion and thumbnails of PCX files of every kind and DCX files, and
// PCX files for the game's editor; the viewer's kinds are decoded exactly as the viewer does.
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/options.h"

namespace {

const char* const kUsage = R"(Usage:
  glimmer-pcx info FILE...
      Print kind, size, planes, BytesPerLine and whether each file decodes; for a
      DCX file, the number of pages and then each page; for a TGA file, its image
      type, bits a pixel and size; for another picture, its size.
  glimmer-pcx convert [--page N] [PCX OPTIONS] IN OUT.(png|bmp|ppm|pcx)
      Write IN as OUT; of a DCX file, page N (default 1). IN is a PCX file of any
      kind, a DCX file, or a PNG, BMP, GIF, JPEG or TGA picture.
  glimmer-pcx convert --to png|bmp|ppm|pcx [--tree] [-j N] [PCX OPTIONS] DIR INPUT...
      Write each picture as DIR/NAME.FMT, NAME being the input's complete base
      name; a DCX file of several pages as DIR/NAME-1.FMT ... DIR/NAME-N.FMT. An
      INPUT that is a folder stands for every *.pcx and *.dcx below it, in any
      case, and for --to pcx also every *.png, *.bmp, *.gif, *.jpg, *.jpeg and
      *.tga. N files are converted at once (default: the number of cores). On a
      terminal a progress line shows how far it got; a summary line (pages
      converted, refused, failed) ends the run, once every output is on disk.
      Names are compared exactly, so a/SHOT.PCX and b/shot.pcx do not clash, but
      a/shot.pcx and b/shot.pcx would both write shot.png: then nothing is written
      and the clashes are listed. With --tree, DIR/FOLDER/NAME.FMT instead, FOLDER
      being the input's folder relative to the current folder (made as needed);
      inputs outside the current folder are refused and nothing is written.
  glimmer-pcx preview [--fit] [PCX OPTIONS] IN OUT.pcx
      Write a map's preview picture: 256x256, 8-bit with its palette, IN scaled
      smoothly to cover the square and cut to its centre; with --fit, scaled to
      fit inside it on black.
  glimmer-pcx check FILE...
      Tell what the game's editor needs of each texture, one line a finding:
        FILE: error: not 8-bit with one plane and a 256-colour palette, or
                     not a PCX file that decodes
        FILE: warning: sides that are not powers of two; above 256 (import
                       with mipmaps); above 1024; runs that cross scan lines
                       (some readers cut them)
        FILE: note: the colour at index 0 and how many pixels use it (what a
                    masked import hides)
      A file without errors or warnings gets "FILE: ok". Exit status: 0 every file
      passes, 1 warnings only, 2 errors.
  glimmer-pcx palette [--gpl|--pal] FILE
      Print the palette of a paletted PCX file (of a DCX file, the first page),
      PNG or GIF picture, colour-mapped TGA picture, or palette file, as a GIMP
      palette (default) or a JASC palette (--pal).
  glimmer-pcx thumbnail [-s SIZE] IN OUT.png
      Write a thumbnail of IN (of a DCX file, its first page) for file managers:
      the longest side becomes SIZE pixels (default 256, 1 to 4096; a smaller
      picture is not enlarged), aspect kept. OUT is written only when IN decodes.
  glimmer-pcx bench FILE [N]
      Decode FILE N times (default 50) from memory; the last line is the median ms.
  glimmer-pcx --help | --version

PCX options (PCX output only):
  --mask #RRGGBB   Palette index 0 holds this colour; exactly the pixels of this
                   colour and those whose alpha is below half use it, as a masked
                   texture in the game's editor hides index 0.
  --palette FILE   Map onto this palette in its order (a PCX file, a paletted
                   PNG or GIF, a GIMP .gpl or a JASC .pal); with --mask, its
                   entry 0 becomes the mask colour.
  --dither         Diffuse the error where colours are reduced (the default).
  --no-dither      Each pixel takes its nearest colour.
  --fast           Kept for older scripts: colours are reduced as by default,
                   which now takes less time than --fast did.
  --truecolor      Write red, green and blue planes instead of 8-bit.
A PCX file is written as Version 5, run-length encoded, no run crossing a scan
line. An 8-bit PCX file in gives the same indexes and palette out; a picture with
a palette keeps it; one of at most 256 colours gets exactly them (255 beside a
mask); more are reduced to 256 colours split from the picture's colour counts.

Inputs are judged by their content, then their name: a PCX header or *.pcx and
*.dcx go to the PCX reader; PNG, GIF, BMP and JPEG by their signatures; a TGA
header or *.tga to Glimmer's TGA reader (every image type, depth and origin
writers use, run-length or not; decoding.md, "Reading TGA").

Kinds: 8-bit pictures with a 256-colour palette, or with red, green and blue
planes, are decoded exactly as the viewer shows them. Beyond the viewer: 1-, 2-
and 4-bit pictures, packed or in 2 to 4 planes, in the colours of the header's
palette (decoding.md, "Reading every kind"), and 8-bit pictures with red,
green, blue and alpha planes; for these, encoding 0 means stored uncompressed.
PNG keeps alpha; BMP, PPM and PCX cannot hold it, so it is dropped and the
colours are kept (except where --mask takes it).

Exit status: 0 decoded (and written), 1 refused, 2 decode or file error, or a
wrong command line.
)";

int usage(QTextStream& err) {
    err << kUsage;
    err.flush();
    return 2;
}

// 0 when the options were read; else the exit status, after the usage or what was wrong.
int parsed(const QStringList& args, glimmer::cli::Options& o, glimmer::cli::Io io) {
    switch (glimmer::cli::parseOptions(args, o, io)) {
    case glimmer::cli::Parsed::Ok:
        return 0;
    case glimmer::cli::Parsed::Unknown:
        return usage(io.err);
    case glimmer::cli::Parsed::Told:
        break;
    }
    return 2;
}

using glimmer::cli::Io;
using glimmer::cli::Options;

const QStringList kPcxOptions{QStringLiteral("--mask"),      QStringLiteral("--palette"),
                              QStringLiteral("--dither"),    QStringLiteral("--no-dither"),
                              QStringLiteral("--truecolor"), QStringLiteral("--fast")};

// The PCX options given for an output that is no PCX file: a mistake worth saying.
bool pcxOptionsFit(const Options& o, bool pcxOut, Io io) {
    for (const QString& name : kPcxOptions)
        if (o.given.contains(name) && !pcxOut) {
            io.err << name << " applies to PCX output only" << Qt::endl;
            return false;
        }
    if (o.given.contains(QStringLiteral("--dither")) &&
        o.given.contains(QStringLiteral("--no-dither"))) {
        io.err << "--dither and --no-dither contradict each other" << Qt::endl;
        return false;
    }
    return true;
}

bool endsIn(const QString& name, const char* suffix) {
    return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

int convert(const QStringList& args, Io io) {
    Options o;
    if (const int s = parsed(args, o, io)) return s;
    if (!o.given.contains(QStringLiteral("--to"))) {
        if (!onlyFrom(o, kPcxOptions + QStringList{QStringLiteral("--page")}) ||
            o.files.size() != 2)
            return usage(io.err);
        if (!pcxOptionsFit(o, endsIn(o.files[1], ".pcx"), io)) return 2;
        return glimmer::cli::convertOne(o.files[0], o.page, o.files[1], o.batch.pcx, io);
    }
    if (!onlyFrom(o, kPcxOptions + QStringList{QStringLiteral("--to"), QStringLiteral("--tree"),
                                               QStringLiteral("--jobs")}) ||
        o.files.size() < 2)
        return usage(io.err);
    const QStringList formats{QStringLiteral("png"), QStringLiteral("bmp"), QStringLiteral("ppm"),
                              QStringLiteral("pcx")};
    if (!formats.contains(o.batch.format)) return usage(io.err);
    if (!pcxOptionsFit(o, o.batch.format == QLatin1String("pcx"), io)) return 2;
    o.batch.dir = o.files.takeFirst();
    return glimmer::cli::convertMany(o.files, o.batch, io);
}

int preview(const QStringList& args, Io io) {
    Options o;
    if (const int s = parsed(args, o, io)) return s;
    const QStringList allowed{QStringLiteral("--fit"), QStringLiteral("--mask"),
                              QStringLiteral("--palette"), QStringLiteral("--dither"),
                              QStringLiteral("--no-dither")};
    if (!onlyFrom(o, allowed) || o.files.size() != 2) return usage(io.err);
    if (!endsIn(o.files[1], ".pcx")) {
        io.err << o.files[1] << ": a preview is a PCX file; the name must end in .pcx" << Qt::endl;
        return 2;
    }
    if (!pcxOptionsFit(o, true, io)) return 2;
    return glimmer::cli::preview(o.files[0], o.files[1], o.fit, o.batch.pcx, io);
}

int palette(const QStringList& args, Io io) {
    Options o;
    if (const int s = parsed(args, o, io)) return s;
    if (!onlyFrom(o, {QStringLiteral("--gpl"), QStringLiteral("--pal")}) || o.files.size() != 1 ||
        o.given.size() > 1)
        return usage(io.err);
    return glimmer::cli::palette(o.files[0], o.jasc, io);
}

int bench(const QStringList& a, Io io) {
    if (a.isEmpty() || a.size() > 2) return usage(io.err);
    int runs = 50;
    if (a.size() == 2) {
        bool ok = false;
        runs = a[1].toInt(&ok);
        if (!ok || runs < 1) return usage(io.err);
    }
    return glimmer::cli::bench(a[0], runs, io);
}

int thumbnail(QStringList a, Io io) {
    int size = 256;
    if (a.size() == 4 && (a[0] == QLatin1String("-s") || a[0] == QLatin1String("--size"))) {
        bool ok = false;
        size = a[1].toInt(&ok);
        if (!ok || size < 1 || size > 4096) return usage(io.err);
        a = a.mid(2);
    }
    if (a.size() != 2) return usage(io.err);
    return glimmer::cli::thumbnail(a[0], a[1], size, io);
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with EFBIG, which is told and cleaned up,
    // instead of the signal killing the program with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    glimmer::cli::Io io{out, err};
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage(err);
    const QString cmd = args.takeFirst();
    if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) {
        out << kUsage;
        return 0;
    }
    if (cmd == QLatin1String("--version")) {
        out << "glimmer-pcx " << GLIMMER_VERSION << Qt::endl;
        return 0;
    }
    if (cmd == QLatin1String("info") && !args.isEmpty()) return glimmer::cli::info(args, io);
    if (cmd == QLatin1String("check") && !args.isEmpty()) return glimmer::cli::check(args, io);
    if (cmd == QLatin1String("palette")) return palette(args, io);
    if (cmd == QLatin1String("preview")) return preview(args, io);
    if (cmd == QLatin1String("convert")) return convert(args, io);
    if (cmd == QLatin1String("thumbnail")) return thumbnail(args, io);
    if (cmd == QLatin1String("bench")) return bench(args, io);
    return usage(err);
}
