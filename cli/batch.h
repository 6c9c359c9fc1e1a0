// Converting many files at once, on every core.
#pragma once

#include "cli/convert.h"

namespace glimmer::cli {

struct BatchOptions {
    QString format; // png, bmp, ppm or pcx
    PcxOutput pcx;
    QString dir; // where the outputs go; must exist
    bool tree = false;
    int jobs = 1;          // files converted at once
    bool progress = false; // a progress line on io.err, for a terminal
};

// Converts each file, and every *.pcx and *.dcx (any case; for PCX output also PNG, BMP, GIF,
// JPEG and TGA pictures) below each folder, to
// DIR/NAME.FORMAT, a DCX file of several pages to DIR/NAME-1.FORMAT ... DIR/NAME-N.FORMAT; with
// `tree` into DIR/FOLDER/ instead, FOLDER being the file's folder below the current one.
// Nothing is written when two files would write one output or, with `tree`, when a file lies
// outside the current folder. Ends with a summary line of pages on io.out; the worst status
// wins. The outputs are on disk when it returns.
int convertMany(const QStringList& inputs, const BatchOptions& options, Io io);

} // namespace glimmer::cli
