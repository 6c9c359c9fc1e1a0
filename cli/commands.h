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

int info(const QStringList& files, Io io);
int convertOne(const QString& in, const QString& out, Io io);
// Writes a PNG of `in` whose longest side is at most `size`; no file on any failure.
int thumbnail(const QString& in, const QString& out, int size, Io io);
int bench(const QString& file, int runs, Io io);

} // namespace glimmer::cli
