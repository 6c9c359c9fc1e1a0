// Reading PCX files without a user interface: the picture, a refusal or a numbered error.
#pragma once

#include <QByteArray>
#include <QString>
#include <variant>

#include "decode/error.h"
#include "decode/picture.h"
#include "pcx/decode.h"

namespace glimmer {

// A file of a kind the viewer does not show; decode/telling.h says what the user is told.
struct Refusal {
    pcx::Status kind;
};

// What reading a PCX file came to: the picture, a refusal, or the error (53 and 70 when the
// file cannot be read; 6, 7, 9 or 63 when it cannot be decoded).
using PcxResult = std::variant<Picture, Refusal, Error>;

// The header is read and judged first, and the rest only for a kind that is decoded, so a
// refused kind stays refused whatever the file's size. Memory that cannot be had, for the
// file or the pixels, is error 7.
[[nodiscard]] PcxResult ReadPcx(const QString& path);

// The same for a file already in memory, of the viewer's kinds or of every kind.
[[nodiscard]] PcxResult DecodePcx(const QByteArray& file, pcx::Kinds kinds = pcx::Kinds::Viewer);

// The bytes of `file` as the decoder core takes them.
[[nodiscard]] std::span<const std::uint8_t> bytesOf(const QByteArray& file);

// The decoder's result for `page`, a PCX file in memory; running out of memory while decoding
// is pcx::Status::OutOfMemory.
[[nodiscard]] pcx::Result DecodeBytes(std::span<const std::uint8_t> page, pcx::Kinds kinds);

// What the decoder's result comes to for the user.
[[nodiscard]] PcxResult FromDecoded(pcx::Result decoded);

// Wraps decoded pixels into a Picture without copying them. Throws Error 7 when memory runs
// out; the pixels are then freed.
[[nodiscard]] Picture MakePicture(pcx::Image image);

} // namespace glimmer
