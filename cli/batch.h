// Converting many files at once, on every core.
#pragma once

#include "cli/commands.h"

namespace glimmer::cli {

struct BatchOptions {
    QString format; // png, bmp or ppm
    QString dir;    // where the outputs go; must exist
    bool tree = false;
    int jobs = 1;          // files converted at once
    bool progress = false; // a progress line on io.err, for a terminal
};

// Converts each file, and every *.pcx and *.dcx (any case) below each folder, to
// DIR/NAME.FORMAT, a DCX file of several pages to DIR/NAME-1.FORMAT ... DIR/NAME-N.FORMAT; with
// `tree` into DIR/FOLDER/ instead, FOLDER being the file's folder below the current one.
// Nothing is written when two files would write one output or, with `tree`, when a file lies
// outside the current folder. Ends with a summary line of pages on io.out; the worst status
// wins.
int convertMany(const QStringList& inputs, const BatchOptions& options, Io io);

} // namespace glimmer::cli
