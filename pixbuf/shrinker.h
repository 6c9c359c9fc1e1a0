// Box-averaging shrinker: takes a picture's rows one at a time, top row first, and keeps only
// the smaller picture and one row of sums, so a thumbnail of a huge picture costs what the
// thumbnail costs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmer::pixbuf {

// Rows of interleaved 8-bit channels (RGB, or RGBA not premultiplied) somewhere in memory.
struct Plane {
    std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
};

class Shrinker {
  public:
    // Each target pixel averages the source pixels whose box falls on it. Throws
    // std::bad_alloc when the sums cannot be held.
    Shrinker(int source_width, int source_height, Plane target, int width, int height,
             int channels);

    // Source row `y` (each row once, in order), `channels` bytes a pixel.
    void add(int y, const std::uint8_t* row) noexcept;

  private:
    [[nodiscard]] int target_row(int y) const noexcept;
    void flush(int ty) noexcept;

    int m_source_height;
    Plane m_target;
    int m_width;
    int m_height;
    int m_channels;
    std::vector<int> m_column;            // the target column of each source column
    std::vector<std::uint32_t> m_per_box; // source columns falling on each target column
    std::vector<std::uint64_t> m_sums;    // per target column: colours (times alpha), alpha
    int m_rows = 0;                       // source rows summed into the current target row
};

} // namespace glimmer::pixbuf
