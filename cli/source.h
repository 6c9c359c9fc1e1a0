// What glimmer-pcx reads: a PCX file of any kind, a DCX file's pages, or a picture that Qt
// reads (PNG, BMP, GIF, JPEG, TGA) as one page.
#pragma once

#include <QString>
#include <optional>

#include "decode/pcx_pages.h"

namespace glimmer::cli {

class Source {
  public:
    // Judges `path` by its content, then by its name: a plausible PCX header, DCX's number or
    // a name ending in .pcx or .dcx goes to the PCX reader, anything else to the picture
    // readers. Throws Error 53, 70, 68 or 7 when it cannot be read.
    explicit Source(const QString& path);

    [[nodiscard]] bool isPcx() const noexcept { return m_pages.has_value(); }
    // The PCX reader's pages; only when isPcx().
    [[nodiscard]] const PcxPages& pages() const { return *m_pages; }

    [[nodiscard]] bool isDcx() const noexcept { return m_pages && m_pages->isDcx(); }
    // Status::Ok, or what is wrong with a DCX file's table of pages.
    [[nodiscard]] pcx::Status table() const noexcept {
        return m_pages ? m_pages->table() : pcx::Status::Ok;
    }
    [[nodiscard]] int count() const noexcept { return m_pages ? m_pages->count() : 1; }
    // Page `i` (from 0): a PCX page decoded as a picture of any kind, or the picture read;
    // Error 481 when neither reader reads it.
    [[nodiscard]] PcxResult read(int i) const;
    // Page `i` handed to `sink` a row at a time, a PCX page as it is decoded: an empty Picture
    // when every row was handed on, else the refusal or error.
    [[nodiscard]] PcxResult readRows(int i, pcx::RowSink& sink) const;

  private:
    QString m_path;
    std::optional<PcxPages> m_pages;
    QByteArray m_bytes; // a picture for the other readers
};

// Whether `name` ends in a suffix of a picture Source reads besides PCX and DCX.
[[nodiscard]] bool isOtherPictureName(const QString& name);

} // namespace glimmer::cli
