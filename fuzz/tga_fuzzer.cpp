// Fuzz target for the TGA reader. Besides crashes and sanitizer reports it checks that the rows
// handed to a sink, top row first, are the rows of the whole picture (bottom-up run-length files
// are read from where each row starts), that a failure hands out no pixels, and that no input of
// fuzzing size gets past the data bound to a large allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "tga/decode.h"

namespace {

// fuzz/fuzz.sh passes at most 65536 bytes; as run packets of one byte a pixel they hold at most
// 4194304 pixels, each taking at most 4 bytes (a picture one index wide is stored 4 bytes a
// row). A cap there refuses no picture the bound lets through.
constexpr std::size_t kMaxInput = 65536;
constexpr std::size_t kLargestClaim = 4 * (kMaxInput / 2) * 128;

class Compare final : public pcx::RowSink {
  public:
    explicit Compare(const pcx::Image& whole) : m_whole(whole) {}
    bool start(const pcx::Image& shape) noexcept override {
        if (shape.width != m_whole.width || shape.height != m_whole.height ||
            shape.stride != m_whole.stride || shape.format != m_whole.format ||
            shape.colours != m_whole.colours)
            std::abort();
        return true;
    }
    void row(int y, const std::uint8_t* pixels) noexcept override {
        if (y != m_next++) std::abort();
        const std::uint8_t* want = m_whole.pixels.get() + std::size_t(y) * m_whole.stride;
        if (std::memcmp(pixels, want, m_whole.stride) != 0) std::abort();
    }
    int rows() const noexcept { return m_next; }

  private:
    const pcx::Image& m_whole;
    int m_next = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span file(data, size);
    const tga::Options options{kLargestClaim};
    const tga::Result whole = tga::decode(file, options);
    if (whole.status != tga::Status::Ok) {
        if (whole.image.pixels) std::abort();
        if (whole.status == tga::Status::TooLarge && size <= kMaxInput) std::abort();
        return 0;
    }
    Compare rows(whole.image);
    if (tga::decode_rows(file, rows, options).status != tga::Status::Ok) std::abort();
    if (rows.rows() != whole.image.height) std::abort();
    return 0;
}
