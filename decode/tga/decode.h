// Hermetic TGA decoder: it decodes bytes the caller hands it, keeps no state, does no I/O.
// It reads colour-mapped, true-colour and grey pictures, stored or run-length encoded, of
// every depth writers use, from any of the four corners, and hands them on in the PCX
// decoder's picture formats: indexes and their colours, or 32-bit words.
#pragma once

#include <cstddef>
#include <span>

#include "pcx/decode.h"
#include "tga/header.h"

namespace tga {

struct Options {
    // Largest pixel buffer the caller accepts; a larger picture is Status::TooLarge.
    std::size_t max_pixel_bytes = std::size_t{1} << 30;
};

struct Result {
    Status status = Status::Ok;
    Header header;
    pcx::Image image; // valid when status is Status::Ok; rows top first, left to right
};

// Decodes a whole TGA file held in memory.
[[nodiscard]] Result decode(std::span<const std::uint8_t> file, const Options& options = {});

// Decodes as decode() does, with the same checks and limits, but hands each row to `sink`,
// top row first, instead of keeping the picture: r.image holds the shape and colours only. A
// picture stored bottom row first is read from its last row up, so that only a row is held.
[[nodiscard]] Result decode_rows(std::span<const std::uint8_t> file, pcx::RowSink& sink,
                                 const Options& options = {});

// The shape and colours of the picture (its colour map, for a colour-mapped one), without
// decoding a pixel; the status of the header's checks.
[[nodiscard]] Result shape(std::span<const std::uint8_t> file, const Options& options = {});

} // namespace tga
