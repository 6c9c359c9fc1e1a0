// glimmer-pcx-decoder: the GdkPixbuf module's decoding process. It maps the file it was given
// (descriptor 0), confines itself, and only then reads it; its answers go to descriptor 1. A
// decode that has checked the file asks for its canvas, and maps it (descriptor 3) once the
// host says go (descriptor 4). Usage (by the module alone):
//   glimmer-pcx-decoder judge|judge-whole|decode MARGIN_MIB WIDTH HEIGHT
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "confine/confine.h"
#include "pixbuf/reply.h"

#if defined(__SANITIZE_ADDRESS__)
// The leak check at exit would need calls the filter forbids.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif

namespace {

namespace px = glimmer::pixbuf;
using px::Reply;

bool answer(const Reply& r) noexcept {
    const auto bytes = px::encode(r);
    std::span<const std::uint8_t> left(bytes);
    while (!left.empty()) {
        const ssize_t n = ::write(1, left.data(), left.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        left = left.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// The whole of descriptor `fd` mapped, `expected` bytes long unless that is 0; an empty span
// for an empty file. False when it cannot be had.
bool map(int fd, int prot, int flags, std::size_t expected, std::span<std::uint8_t>& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0) return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (expected != 0 && size != expected) return false;
    if (size == 0) return true;
    void* p = ::mmap(nullptr, size, prot, flags, fd, 0);
    if (p == MAP_FAILED) return false;
    out = {static_cast<std::uint8_t*>(p), size};
    return true;
}

// Asks the host for the canvas and maps it once the host says go.
class HostCanvas final : public px::CanvasMaker {
  public:
    const px::Canvas* make(int width, int height, int channels) noexcept override {
        Reply ready;
        ready.kind = Reply::Kind::Ready;
        ready.header = {px::Header::Kind::Picture, width, height, channels == 4};
        char go = 0;
        if (!answer(ready) || ::read(4, &go, 1) != 1 || go != 'g') return nullptr;
        m_canvas = {nullptr, width, height, px::canvas_rowstride(width, channels), channels};
        std::span<std::uint8_t> pixels;
        if (!map(3, PROT_READ | PROT_WRITE, MAP_SHARED,
                 m_canvas.rowstride * static_cast<std::size_t>(height), pixels) ||
            pixels.empty())
            return nullptr;
        m_canvas.pixels = pixels.data();
        return &m_canvas;
    }

  private:
    px::Canvas m_canvas;
};

struct Args {
    std::string_view mode;
    unsigned margin_mib = 0;
    int width = 0;
    int height = 0;
};

bool parse(int argc, char** argv, Args& a) {
    if (argc != 5) return false;
    a.mode = argv[1];
    a.margin_mib = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    a.width = std::atoi(argv[3]);
    a.height = std::atoi(argv[4]);
    return (a.mode == "judge" || a.mode == "judge-whole" || a.mode == "decode") &&
           a.margin_mib <= px::kMarginMib && a.width >= 0 && a.width <= 32767 && a.height >= 0 &&
           a.height <= 32767;
}

} // namespace

int main(int argc, char** argv) {
    Args a;
    if (!parse(argc, argv, a)) return 2;
    std::span<std::uint8_t> file;
    if (!map(0, PROT_READ, MAP_PRIVATE, 0, file)) return 2;
    // What it holds now (the file mapped among it), the canvas at its largest, and what
    // decoding rows takes.
    const std::size_t canvas = px::canvas_rowstride(a.width, 4) * std::size_t(a.height);
    const std::size_t limit = glimmer::confine::address_space_in_use(std::size_t{64} << 20) +
                              canvas + (std::size_t{a.margin_mib} << 20);
    Reply r;
    if (const int err = glimmer::confine::enter({limit, px::kCpuSeconds}, {1, 2}); err != 0) {
        r.kind = Reply::Kind::NotConfined;
        r.error = err;
        answer(r);
        return 3;
    }
    if (glimmer::confine::limits_address_space())
        r.limit_mib = static_cast<std::uint32_t>((limit + (std::size_t{1} << 20) - 1) >> 20);
    if (a.mode == "decode") {
        HostCanvas maker;
        const px::Decoded d = px::decode_into(file, a.width, a.height, maker);
        r.kind =
            d.status == pcx::Status::Ok && !d.drawn ? Reply::Kind::NoCanvas : Reply::Kind::Decoded;
        r.status = d.status;
    } else {
        r.kind = Reply::Kind::Judged;
        r.status = px::judge(file, a.mode == "judge-whole", r.header);
    }
    return answer(r) ? 0 : 1;
}
