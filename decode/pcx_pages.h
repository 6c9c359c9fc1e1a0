// What glimmer-pcx reads: a PCX file of any kind, or the pages of a DCX file.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "decode/files.h"
#include "decode/read_pcx.h"
#include "pcx/decode.h"

namespace glimmer {

class PcxPages {
  public:
    // Reads `path` whole, unless it is a PCX file whose header already refuses it. Throws
    // Error 53, 70, 68 or 7 when the file cannot be read.
    explicit PcxPages(const QString& path);
    // The same for a file already open.
    explicit PcxPages(const ReadableFile& file);
    // The same for a file already in memory.
    explicit PcxPages(QByteArray file);
    // The pages point into the bytes, which a move keeps where they are.
    PcxPages(PcxPages&&) noexcept = default;
    PcxPages& operator=(PcxPages&&) noexcept = default;
    PcxPages(const PcxPages&) = delete;
    PcxPages& operator=(const PcxPages&) = delete;

    // How many pages `path` has: 1 for a PCX file, read no further than its start; those of a
    // DCX file whose table is sound, else 1. Throws as the constructor does.
    [[nodiscard]] static int countIn(const QString& path);
    // Whether a file starting with `start` (its 128-byte header will do) is read as PCX or
    // DCX by its content: a plausible PCX header, or DCX's number.
    [[nodiscard]] static bool looksLikePcx(const QByteArray& start);
    // Whether a file of this name goes to the PCX reader whatever its content: *.pcx, *.dcx.
    [[nodiscard]] static bool hasPcxName(const QString& name);
    // Whether the file goes to the PCX reader: by its content, then by its name.
    [[nodiscard]] static bool isPcx(const QByteArray& start, const QString& name) {
        return looksLikePcx(start) || hasPcxName(name);
    }

    [[nodiscard]] bool isDcx() const noexcept { return m_dcx; }
    // Status::Ok, or what is wrong with a DCX file's table of pages; then there are none.
    [[nodiscard]] pcx::Status table() const noexcept { return m_table; }
    [[nodiscard]] int count() const noexcept { return static_cast<int>(m_pages.size()); }
    // Page `i` (from 0) decoded as a picture of any kind.
    [[nodiscard]] pcx::Result decode(int i) const;
    [[nodiscard]] PcxResult read(int i) const { return FromDecoded(decode(i)); }
    // Page `i` decoded a row at a time into `sink`, with the checks and limits of decode().
    [[nodiscard]] pcx::Result decodeRows(int i, pcx::RowSink& sink) const;

  private:
    void findPages();

    QByteArray m_bytes;
    bool m_dcx = false;
    pcx::Status m_table = pcx::Status::Ok;
    std::vector<std::span<const std::uint8_t>> m_pages;
};

} // namespace glimmer
