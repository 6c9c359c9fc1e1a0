// What glimmer-pcx reads: a PCX file of any kind, a DCX file's pages, or a picture that Qt
// reads (PNG, BMP, GIF, JPEG, TGA) as one page.
#pragma once

#include <QString>
#include <optional>

#include "decode/pcx_pages.h"

namespace glimmer::cli {

class Source {
  public:
    // Judges `path` by its content. Throws Error 53, 70, 68 or 7 when it cannot be read, and
    // 481 when it is neither PCX nor DCX and Qt reads no picture from it.
    explicit Source(const QString& path);

    [[nodiscard]] bool isDcx() const noexcept { return m_pages && m_pages->isDcx(); }
    // Status::Ok, or what is wrong with a DCX file's table of pages.
    [[nodiscard]] pcx::Status table() const noexcept {
        return m_pages ? m_pages->table() : pcx::Status::Ok;
    }
    [[nodiscard]] int count() const noexcept { return m_pages ? m_pages->count() : 1; }
    // Page `i` (from 0): a PCX page decoded as a picture of any kind, or the picture read.
    [[nodiscard]] PcxResult read(int i) const;
    // Page `i` handed to `sink` a row at a time, a PCX page as it is decoded: an empty Picture
    // when every row was handed on, else the refusal or error.
    [[nodiscard]] PcxResult readRows(int i, pcx::RowSink& sink) const;

  private:
    std::optional<PcxPages> m_pages;
    Picture m_picture;
};

// Whether `name` ends in a suffix of a picture Source reads besides PCX and DCX.
[[nodiscard]] bool isOtherPictureName(const QString& name);

} // namespace glimmer::cli
