// Converting one file, shared by the single and the batch conversion.
#pragma once

#include "cli/commands.h"

namespace glimmer::cli {

enum Status { kDecoded = 0, kRefused = 1, kFailed = 2 };

// Decodes `in` as the viewer does and writes it to `out`, whose suffix (.png, .bmp, .ppm)
// names the format, first making the output's folders when asked; says why on io.err
// otherwise. Safe to run on several threads at once, each with its own streams.
int convertTo(const QString& in, const QString& out, bool makeFolder, Io io);

} // namespace glimmer::cli
