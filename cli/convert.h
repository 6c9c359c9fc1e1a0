// Converting one file, shared by the single and the batch conversion.
#pragma once

#include <optional>
#include <vector>

#include "cli/commands.h"
#include "decode/error.h"
#include "decode/picture_file.h"
#include "quantize/quantize.h"

namespace glimmer::cli {

enum Status { kDecoded = 0, kRefused = 1, kFailed = 2 };

// How PCX outputs are made; the other formats take the picture as it is.
struct PcxOutput {
    Indexing indexing;
    bool truecolor = false; // red, green and blue planes instead of 8-bit
};

// Says "WHAT: error N: TEXT" on io.err; the exit status of a failure.
int fail(Io io, const QString& what, const Error& e);
// Says what is wrong with a DCX file's table of pages; the exit status.
int tellTable(const QString& file, pcx::Status table, Io io);
// Says why page `page` (from 0) of `in` is not decoded, naming the page of a DCX file; the
// exit status.
int tellPage(const QString& in, const PictureFile& pages, int page, const PcxResult& result, Io io);
// `in` with a sound table of pages, or nothing after saying why not.
std::optional<PictureFile> openSource(const QString& in, Io io);
// Page `page` (from 0) of `in` handed to `sink` a row at a time; 0, or the failure status
// after saying why.
int loadRows(const QString& in, int page, pcx::RowSink& sink, Io io);
// Writes `pic` whole and on disk as `out`, in the format its suffix names.
int writePicture(const Picture& pic, const QString& out, const PcxOutput& pcx, Io io);

// Whether `out` is another file than `in` (links followed); when not, says so.
bool outputIsNotInput(const QString& in, const QString& out, Io io);

// Converts page `page` (from 0) of `in` to `out`, on disk when it returns.
int convertOne(const QString& in, int page, const QString& out, const PcxOutput& pcx, Io io);

// Writes a map's preview of `in` (its first page): 256x256, 8-bit, `in` scaled to cover the
// square and cut to its centre, or with `fit` scaled to fit inside it on black.
int preview(const QString& in, const QString& out, bool fit, const PcxOutput& pcx, Io io);

// Decodes each page of `in` and writes page i to outs[i], whose suffix (.png, .bmp, .ppm, .pcx)
// names the format, first making the output's folders when asked; says why on io.err
// otherwise. The status of each page, or one failure when the file cannot be read. Safe to
// run on several threads at once, each with its own streams. Files are written whole but not
// flushed to disk: the caller syncs their folders once at the end (syncFolders).
std::vector<int> convertTo(const QString& in, const QStringList& outs, bool makeFolder,
                           const PcxOutput& pcx, Io io);

// How many pages `in` has: those of a DCX file whose table is sound, else 1.
int pageCount(const QString& in);

} // namespace glimmer::cli
