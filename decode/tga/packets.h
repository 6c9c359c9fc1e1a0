// TGA pixel data: raw pixels one after another, or run-length packets (a byte whose top bit
// says run or literal and whose low seven bits give 1 to 128 pixels). Packets may cross scan
// lines, as older writers make them: the data is one stream of pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tga::detail {

// The most pixels `data_bytes` bytes of packets can hold: a run packet of a header byte and
// one pixel gives 128, and nothing gives more for its size.
[[nodiscard]] inline std::uint64_t max_run_pixels(std::size_t data_bytes,
                                                  std::size_t pixel_bytes) noexcept {
    return std::uint64_t{data_bytes / (1 + pixel_bytes)} * 128;
}

class Packets {
  public:
    // Where the stream stands, so that it can be taken up again there.
    struct State {
        std::size_t pos = 0;
        std::uint32_t left = 0; // pixels of the current packet still to come
        bool run = false;
        std::array<std::uint8_t, 4> pixel{}; // a run's pixel
    };

    Packets(std::span<const std::uint8_t> data, std::size_t pixel_bytes) noexcept
        : m_data(data), m_bytes(pixel_bytes) {}

    // The next `n` pixels into `out` (n * pixel_bytes bytes); false when the data ends first.
    [[nodiscard]] bool read(std::uint8_t* out, std::size_t n) noexcept;
    // The same without keeping them.
    [[nodiscard]] bool skip(std::size_t n) noexcept { return read(nullptr, n); }

    [[nodiscard]] State state() const noexcept { return m_state; }
    void restore(const State& s) noexcept { m_state = s; }

  private:
    [[nodiscard]] bool next_packet() noexcept;

    std::span<const std::uint8_t> m_data;
    std::size_t m_bytes;
    State m_state;
};

} // namespace tga::detail
