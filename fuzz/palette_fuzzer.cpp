// Fuzz target for the palettes glimmer-pcx maps pictures onto: a palette file's bytes (GIMP,
// JASC, or a PCX or DCX file) read as a palette; what reads must write out in both text
// formats and read back the same.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decode/error.h"
#include "decode/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Qt's own picture readers are not ours to fuzz: only text palettes and PCX or DCX files.
    if (!bytes.startsWith("GIMP") && !bytes.startsWith("JASC") && !bytes.startsWith('\x0a') &&
        !bytes.startsWith("\xb1\x68\xde\x3a"))
        return 0;
    QList<QRgb> colours;
    try {
        colours = glimmer::paletteOf(bytes);
    } catch (const glimmer::Error&) {
        return 0;
    }
    if (colours.isEmpty() || colours.size() > 256) std::abort();
    if (glimmer::parsePaletteText(glimmer::gimpPalette(colours, QStringLiteral("x"))) != colours ||
        glimmer::parsePaletteText(glimmer::jascPalette(colours)) != colours)
        std::abort();
    return 0;
}
