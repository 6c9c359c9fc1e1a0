// Fuzz target for the palettes glimmer-pcx maps pictures onto: a palette file's bytes (GIMP,
// JASC, a GIF, PCX or DCX file) read as a palette; what reads must write out in both text
// formats and read back the same. A GIF file's indexes are read here too.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decode/error.h"
#include "decode/gif_indexes.h"
#include "decode/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Qt's own picture readers are not ours to fuzz: only text palettes, GIF files (whose
    // indexes are read here) and PCX or DCX files.
    if (!bytes.startsWith("GIMP") && !bytes.startsWith("JASC") && !bytes.startsWith("GIF") &&
        !bytes.startsWith('\x0a') && !bytes.startsWith("\xb1\x68\xde\x3a"))
        return 0;
    const QImage gif = glimmer::gifIndexes(bytes);
    if (!gif.isNull()) { // every index names a colour of the table
        for (int y = 0; y < gif.height(); ++y)
            for (int x = 0; x < gif.width(); ++x)
                if (gif.pixelIndex(x, y) >= gif.colorCount()) std::abort();
    }
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
