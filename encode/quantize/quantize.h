// Pictures made 8-bit: a palette of at most 256 colours and one index a pixel, for PCX files
// that the game's editor takes.
#pragma once

#include <QImage>
#include <QList>
#include <optional>

namespace glimmer {

struct Indexing {
    // Error diffusion where colours are reduced or mapped onto a given palette.
    bool dither = true;
    // Index 0 holds this colour, and exactly the pixels of this colour or of alpha below half
    // use it: what a masked texture hides.
    std::optional<QRgb> mask;
    // Map onto these colours, in this order (entry 0 becomes the mask colour when there is
    // one); empty: a palette made for the picture.
    QList<QRgb> palette;
};

// `picture` as Indexed8. A paletted picture keeps its palette and indexes unless a mask or a
// palette is asked for; a picture of at most 256 colours (255 beside a mask) gets exactly
// them; more are reduced to a palette split from the picture's colour counts. Alpha is dropped
// except where it masks. A null image when memory runs out or the palette leaves no
// colour for unmasked pixels.
[[nodiscard]] QImage toIndexed8(const QImage& picture, const Indexing& how);

} // namespace glimmer
