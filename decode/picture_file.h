// The one door through which glimmer-pcx reads pictures: PCX and DCX files, TGA, GIF's indexes,
// and Qt's readers for the rest (PNG, BMP, JPEG), each handing its rows to the same sink.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

#include "decode/files.h"
#include "decode/pcx_pages.h"
#include "decode/read_pcx.h"
#include "tga/status.h"

namespace glimmer {

enum class PictureKind { Pcx, Tga, Other };

// What reads a file that starts with `start` (its first 128 bytes will do) and is named
// `name`: a plausible PCX header or DCX's number, then a *.pcx or *.dcx name, go to the PCX
// reader; PNG, GIF, BMP and JPEG, known by their signatures, to theirs; then a plausible TGA
// header, then a *.tga name, to the TGA reader; anything else to Qt's readers.
[[nodiscard]] PictureKind pictureKind(const QByteArray& start, const QString& name);

// Whether `name` ends in a suffix of a picture read besides PCX and DCX.
[[nodiscard]] bool isOtherPictureName(const QString& name);

// The numbered error a TGA status comes to, its text "<standard text>: <cause>".
[[nodiscard]] Error tgaError(tga::Status status);

class PictureFile {
  public:
    // Judges `path` as pictureKind() does. A PCX file whose header already refuses it is read
    // no further than its header. Throws Error 53, 70, 68 or 7 when it cannot be read.
    explicit PictureFile(const QString& path);
    // The same for a file already open, named `name`.
    PictureFile(const ReadableFile& file, const QString& name);
    // The same for a file already in memory.
    PictureFile(QByteArray bytes, const QString& name);

    [[nodiscard]] PictureKind kind() const noexcept { return m_kind; }
    // The PCX reader's pages; only for PictureKind::Pcx.
    [[nodiscard]] const PcxPages& pages() const { return *m_pages; }
    // The file's bytes; only for the other kinds.
    [[nodiscard]] const QByteArray& bytes() const noexcept { return m_bytes; }

    [[nodiscard]] bool isDcx() const noexcept { return m_pages && m_pages->isDcx(); }
    // Status::Ok, or what is wrong with a DCX file's table of pages.
    [[nodiscard]] pcx::Status table() const noexcept {
        return m_pages ? m_pages->table() : pcx::Status::Ok;
    }
    [[nodiscard]] int count() const noexcept { return m_pages ? m_pages->count() : 1; }

    // Page `i` (from 0) as a picture; Error 481 when no reader reads it.
    [[nodiscard]] PcxResult read(int i) const;
    // Page `i` handed to `sink` a row at a time, as it is decoded where the reader can: an
    // empty Picture when every row was handed on, else the refusal or error.
    [[nodiscard]] PcxResult readRows(int i, pcx::RowSink& sink) const;

  private:
    [[nodiscard]] PcxResult readOther() const;

    QString m_name;
    PictureKind m_kind = PictureKind::Other;
    std::optional<PcxPages> m_pages;
    QByteArray m_bytes;
};

// Hands a picture held whole to `sink` a row at a time.
void feedRows(const QImage& picture, pcx::RowSink& sink);

} // namespace glimmer
