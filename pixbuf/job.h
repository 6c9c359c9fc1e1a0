// What the host asks of a decoder, sent over its socket together with the descriptors of the
// job: the file and the answers' pipe; for a load, the socket on which the host gives its
// decision and hands over the canvas. Judge: the start of a file still coming; Load: a whole
// file judged, and decoded as the host decides. A decoder's first job says whether it is its
// only one (`once`: a large file, or a margin other than the usual), which sets the limits it
// confines itself to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glimmer::pixbuf {

struct Job {
    enum class Mode : std::uint8_t { Judge = 1, Load = 2 };
    Mode mode = Mode::Judge;
    std::uint8_t margin_mib = 0;
    std::uint8_t once = 0;
};

// The largest file a decoder that takes several jobs is given: its memory limit is made for it.
inline constexpr std::size_t kSharedFileBytes = std::size_t{1} << 20;

// What the host decides of a judged picture, on the go pipe: the size to decode it at, or stop.
struct Decided {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stop = 0;
};

} // namespace glimmer::pixbuf
