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

// Reads `args` into `o`. False after saying why on io.err when an option is unknown, lacks its
// value or has a wrong one, or a palette file cannot be read; then the exit status is 2.
bool parseOptions(QStringList args, Options& o, Io io);

// Whether only options from `allowed` were given.
bool onlyFrom(const Options& o, const QStringList& allowed);

} // namespace glimmer::cli
