// Thumbnails for file managers, which run glimmer-pcx on files nobody chose: the file is
// decoded and shrunk in a child process that confines itself before it reads a byte past the
// start, within a memory and a time limit. The parent parses nothing; it writes what the child
// hands back.
#pragma once

#include <QImage>
#include <QString>

#include "cli/commands.h"

namespace glimmer::cli {

// The thumbnail of `in` (its first page), longest side at most `size`: kDecoded with `result`
// set, or the failure status after saying why.
int confinedThumbnail(const QString& in, int size, QImage& result, Io io);

} // namespace glimmer::cli
