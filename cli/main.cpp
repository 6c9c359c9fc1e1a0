// glimmer-pcx: checks, conversion and thumbnails of PCX files of every kind and DCX files;
// the viewer's kinds are decoded exactly as the viewer does.
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "cli/batch.h"
#include "cli/commands.h"

namespace {

const char* const kUsage = R"(Usage:
  glimmer-pcx info FILE...
      Print kind, size, planes, BytesPerLine and whether each file decodes; for a
      DCX file, the number of pages and then each page.
  glimmer-pcx convert [--page N] IN OUT.(png|bmp|ppm)
      Write IN as OUT; of a DCX file, page N (default 1).
  glimmer-pcx convert --to png|bmp|ppm [--tree] [-j N] DIR INPUT...
      Write each picture as DIR/NAME.FMT, NAME being the input's complete base
      name; a DCX file of several pages as DIR/NAME-1.FMT ... DIR/NAME-N.FMT. An
      INPUT that is a folder stands for every *.pcx and *.dcx below it, in any
      case. N files are converted at once (default: the number of cores). On a
      terminal a progress line shows how far it got; a summary line (pages
      converted, refused, failed) ends the run. Names are compared exactly, so
      a/SHOT.PCX and b/shot.pcx do not clash, but a/shot.pcx and b/shot.pcx would
      both write shot.png: then nothing is written and the clashes are listed.
      With --tree, DIR/FOLDER/NAME.FMT instead, FOLDER being the input's folder
      relative to the current folder (made as needed); inputs outside the current
      folder are refused and nothing is written. The options may come in either
      order.
  glimmer-pcx thumbnail [-s SIZE] IN OUT.png
      Write a thumbnail of IN (of a DCX file, its first page) for file managers:
      the longest side becomes SIZE pixels (default 256, 1 to 4096; a smaller
      picture is not enlarged), aspect kept. OUT is written only when IN decodes.
  glimmer-pcx bench FILE [N]
      Decode FILE N times (default 50) from memory; the last line is the median ms.
  glimmer-pcx --help | --version

Kinds: 8-bit pictures with a 256-colour palette, or with red, green and blue
planes, are decoded exactly as the viewer shows them. Beyond the viewer: 1-, 2-
and 4-bit pictures, packed or in 2 to 4 planes, in the colours of the header's
palette (README, "Reading every kind"), and 8-bit pictures with red, green, blue
and alpha planes; for these, encoding 0 means stored uncompressed. PNG keeps
alpha; BMP and PPM cannot hold it, so it is dropped and the colours are kept.

Exit status: 0 decoded (and written), 1 refused, 2 decode or file error.
)";

int usage(QTextStream& err) {
    err << kUsage;
    err.flush();
    return 2;
}

int convertOne(QStringList a, glimmer::cli::Io io) {
    int page = 1;
    if (a.size() == 4 && a[0] == QLatin1String("--page")) {
        bool ok = false;
        page = a[1].toInt(&ok);
        if (!ok || page < 1) return usage(io.err);
        a = a.mid(2);
    }
    if (a.size() != 2) return usage(io.err);
    return glimmer::cli::convertOne(a[0], page - 1, a[1], io);
}

int convert(QStringList a, glimmer::cli::Io io) {
    if (a.isEmpty() || !a[0].startsWith(QLatin1Char('-')) || a[0] == QLatin1String("--page"))
        return convertOne(a, io);
    glimmer::cli::BatchOptions o;
    o.jobs = std::max(1, QThread::idealThreadCount());
    o.progress = isatty(fileno(stderr)) != 0;
    while (!a.isEmpty() && a[0].startsWith(QLatin1Char('-'))) {
        const QString option = a.takeFirst();
        if (option == QLatin1String("--")) break;
        if (option == QLatin1String("--tree")) {
            o.tree = true;
        } else if (option == QLatin1String("--to") && !a.isEmpty()) {
            o.format = a.takeFirst().toLower();
        } else if ((option == QLatin1String("-j") || option == QLatin1String("--jobs")) &&
                   !a.isEmpty()) {
            bool ok = false;
            o.jobs = a.takeFirst().toInt(&ok);
            if (!ok || o.jobs < 1 || o.jobs > 1024) return usage(io.err);
        } else {
            return usage(io.err);
        }
    }
    if (o.format != QLatin1String("png") && o.format != QLatin1String("bmp") &&
        o.format != QLatin1String("ppm"))
        return usage(io.err);
    if (a.size() < 2) return usage(io.err);
    o.dir = a.takeFirst();
    return glimmer::cli::convertMany(a, o, io);
}

int bench(const QStringList& a, glimmer::cli::Io io) {
    if (a.isEmpty() || a.size() > 2) return usage(io.err);
    int runs = 50;
    if (a.size() == 2) {
        bool ok = false;
        runs = a[1].toInt(&ok);
        if (!ok || runs < 1) return usage(io.err);
    }
    return glimmer::cli::bench(a[0], runs, io);
}

int thumbnail(QStringList a, glimmer::cli::Io io) {
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
    if (cmd == QLatin1String("convert")) return convert(args, io);
    if (cmd == QLatin1String("thumbnail")) return thumbnail(args, io);
    if (cmd == QLatin1String("bench")) return bench(args, io);
    return usage(err);
}
