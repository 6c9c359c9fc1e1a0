// Converting one file, shared by the single and the batch conversion.
#pragma once

#include <vector>

#include "cli/commands.h"

namespace glimmer::cli {

enum Status { kDecoded = 0, kRefused = 1, kFailed = 2 };

// Decodes each page of `in` and writes page i to outs[i], whose suffix (.png, .bmp, .ppm)
// names the format, first making the output's folders when asked; says why on io.err
// otherwise. The status of each page, or one failure when the file cannot be read. Safe to
// run on several threads at once, each with its own streams.
std::vector<int> convertTo(const QString& in, const QStringList& outs, bool makeFolder, Io io);

// How many pages `in` has: those of a DCX file whose table is sound, else 1.
int pageCount(const QString& in);

} // namespace glimmer::cli
