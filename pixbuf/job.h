// What the host asks of the waiting decoder, sent over its socket together with the descriptors
// of the job: the file and the answers' pipe; for a load, the canvas and the pipe on which the
// host gives its decision and says go. Judge: the start of a file still coming; Load: a whole
// file judged, and decoded as the host decides.
#pragma once

#include <cstdint>

namespace glimmer::pixbuf {

struct Job {
    enum class Mode : std::uint8_t { Judge = 1, Load = 2 };
    Mode mode = Mode::Judge;
    std::uint8_t margin_mib = 0;
};

// What the host decides of a judged picture, on the go pipe: the size to decode it at, or stop.
struct Decided {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stop = 0;
};

} // namespace glimmer::pixbuf
