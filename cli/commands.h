// The glimmer-pcx commands. Each returns the process exit status: 0 decoded (and written),
// 1 refused, 2 a decode or file error. Worst status wins over several files.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace glimmer::cli {

struct Io {
    QTextStream& out;
    QTextStream& err;
};

// Describes each file, and each page of a DCX file.
int info(const QStringList& files, Io io);
// Converts page `page` (from 0) of `in`.
int convertOne(const QString& in, int page, const QString& out, Io io);
// Writes a PNG of `in`, its first page for a DCX file, whose longest side is at most `size`;
// no file on any failure.
int thumbnail(const QString& in, const QString& out, int size, Io io);
int bench(const QString& file, int runs, Io io);

} // namespace glimmer::cli
