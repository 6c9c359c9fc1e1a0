// The options of glimmer-pcx's commands, in any order among the file names.
#pragma once

#include <QSet>
#include <QStringList>

#include "cli/batch.h"

namespace glimmer::cli {

struct Options {
    QSet<QString> given; // the options named, by their long names
    QStringList files;   // the other arguments, in order
    int page = 0;        // --page, from 0
    BatchOptions batch;  // --to, --tree, -j, and the PCX output's options
    bool fit = false;    // --fit
    bool jasc = false;   // --pal
};

enum class Parsed {
    Ok,
    Unknown, // an option unknown or without its value: the usage says what there is
    Told,    // a wrong value or a palette file that cannot be read, said on io.err
};

// Reads `args` into `o`.
Parsed parseOptions(QStringList args, Options& o, Io io);

// Whether only options from `allowed` were given.
bool onlyFrom(const Options& o, const QStringList& allowed);

} // namespace glimmer::cli
