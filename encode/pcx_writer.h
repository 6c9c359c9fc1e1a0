// Writing PCX files that every reader takes: Version 5, run-length encoded, an even number of
// bytes a line, no run crossing a scan line, and an 8-bit picture's 256 colours at the end.
#pragma once

#include <QByteArray>
#include <QImage>

#include "encode/write_file.h"

namespace glimmer {

// What a PCX header holds for readers that take its fields as signed 16-bit numbers: the
// height, and a scan line of all planes (planes × BytesPerLine, BytesPerLine kept even) of at
// most 32767 bytes.
inline constexpr int kMaxPcxHeight = 32767;
inline constexpr int kMaxPcx8Width = 32766;
inline constexpr int kMaxPcx24Width = 10922;

// Throws the Error (error 6, its limit in the text) that says why a PCX file of 8-bit indexes,
// or of red, green and blue planes when `truecolor`, cannot hold a picture of `size`.
void checkPcxFits(QSize size, bool truecolor);

// An Indexed8 or two-colour (Mono) picture as an 8-bit PCX file, its indexes and colour table
// as they are (a table shorter than 256 is padded with black); or, with `truecolor`, a picture
// of any format as a PCX file of red, green and blue planes, alpha dropped and the colours
// kept. Rows are encoded one at a time as they are written, so that the file is never held
// whole: size() runs the encoder once to count its bytes, write() again to hand them on.
class PcxFile {
  public:
    // Throws Error: checkPcxFits's, and error 481 for an 8-bit file of a picture that is
    // neither Indexed8 nor Mono.
    PcxFile(const QImage& picture, bool truecolor);

    [[nodiscard]] qint64 size() const;
    // Throws what the sink throws, and error 7 when memory runs out.
    void write(ByteSink& sink) const;

  private:
    template <class Out> void encode(Out& out) const;

    const QImage& m_picture;
    bool m_truecolor;
};

// The same, whole in memory.
[[nodiscard]] QByteArray encodePcx8(const QImage& indexed);
[[nodiscard]] QByteArray encodePcx24(const QImage& picture);

} // namespace glimmer
