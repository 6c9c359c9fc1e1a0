#include "cli/options.h"

#include <QRegularExpression>
#include <QThread>
#include <unistd.h>

#include "decode/palette_file.h"

namespace glimmer::cli {
namespace {

bool number(const QString& text, int low, int high, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

bool colour(const QString& text, QRgb& value) {
    static const QRegularExpression rgb(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!rgb.match(text).hasMatch()) return false;
    value = 0xFF000000u | text.mid(1).toUInt(nullptr, 16);
    return true;
}

// The option's value into `o`; false when it is wrong.
bool take(const QString& name, const QString& value, Options& o, Io io) {
    int n = 0;
    if (name == QLatin1String("--page")) {
        if (!number(value, 1, 1023, n)) {
            io.err << "--page takes a page number from 1 to 1023, not " << value << Qt::endl;
            return false;
        }
        o.page = n - 1;
    } else if (name == QLatin1String("--jobs")) {
        if (!number(value, 1, 1024, n)) {
            io.err << "-j takes a number of files from 1 to 1024, not " << value << Qt::endl;
            return false;
        }
        o.batch.jobs = n;
    } else if (name == QLatin1String("--to")) {
        o.batch.format = value.toLower();
    } else if (name == QLatin1String("--mask")) {
        QRgb c = 0;
        if (!colour(value, c)) {
            io.err << "--mask takes a colour written #RRGGBB, not " << value << Qt::endl;
            return false;
        }
        o.batch.pcx.indexing.mask = c;
    } else if (name == QLatin1String("--palette")) {
        try {
            o.batch.pcx.indexing.palette = readPaletteFile(value);
        } catch (const Error& e) {
            fail(io, value, e);
            return false;
        }
    }
    return true;
}

} // namespace

Parsed parseOptions(QStringList args, Options& o, Io io) {
    const QStringList withValue{QStringLiteral("--page"), QStringLiteral("--jobs"),
                                QStringLiteral("--to"), QStringLiteral("--mask"),
                                QStringLiteral("--palette")};
    const QStringList flags{QStringLiteral("--tree"),      QStringLiteral("--dither"),
                            QStringLiteral("--no-dither"), QStringLiteral("--truecolor"),
                            QStringLiteral("--fit"),       QStringLiteral("--gpl"),
                            QStringLiteral("--pal"),       QStringLiteral("--fast")};
    o.batch.jobs = std::max(1, QThread::idealThreadCount());
    o.batch.progress = isatty(fileno(stderr)) != 0;
    while (!args.isEmpty()) {
        QString a = args.takeFirst();
        if (a == QLatin1String("--")) {
            o.files += args;
            break;
        }
        if (a == QLatin1String("-j")) a = QStringLiteral("--jobs");
        if (!a.startsWith(QLatin1Char('-')) || a.size() == 1) {
            o.files.append(a);
            continue;
        }
        if (withValue.contains(a) && !args.isEmpty()) {
            if (!take(a, args.takeFirst(), o, io)) return Parsed::Told;
        } else if (!flags.contains(a)) {
            return Parsed::Unknown;
        }
        o.given.insert(a);
    }
    o.batch.tree = o.given.contains(QStringLiteral("--tree"));
    o.batch.pcx.truecolor = o.given.contains(QStringLiteral("--truecolor"));
    o.batch.pcx.indexing.dither = !o.given.contains(QStringLiteral("--no-dither"));
    o.fit = o.given.contains(QStringLiteral("--fit"));
    o.jasc = o.given.contains(QStringLiteral("--pal"));
    const auto& ix = o.batch.pcx.indexing;
    if (ix.mask && ix.palette.size() == 1) {
        io.err << "--palette: with --mask, index 0 becomes the mask colour, and this palette "
                  "has no other colour"
               << Qt::endl;
        return Parsed::Told;
    }
    return Parsed::Ok;
}

bool onlyFrom(const Options& o, const QStringList& allowed) {
    for (const QString& name : o.given) {
        // --fast, kept for scripts that pass it, goes wherever dithering may be chosen.
        const bool ridesAlong =
            name == QLatin1String("--fast") && allowed.contains(QStringLiteral("--dither"));
        if (!allowed.contains(name) && !ridesAlong) return false;
    }
    return true;
}

} // namespace glimmer::cli
