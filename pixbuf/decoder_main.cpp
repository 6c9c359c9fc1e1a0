// glimmer-pcx-decoder: the GdkPixbuf module's decoding process, started by the module alone. It
// waits on its socket (descriptor 0) for jobs and their descriptors, and forks for each a
// process whose parent is the host's, whose pid it tells the host. That process maps the file,
// confines itself, and only then reads it; its answers go to the answers' pipe. A decode that
// has checked the file asks for its canvas, and maps it once the host says go.
#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "confine/confine.h"
#include "pixbuf/fd_passing.h"
#include "pixbuf/job.h"
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

// The canvas the host sends with its go, on descriptor 3 (the lowest free one), or -1.
int receive_canvas() {
    char go = 0;
    std::array<int, px::kMaxPassed> fds{};
    std::size_t count = 0;
    if (!px::receive_with_fds(4, &go, 1, fds, count) || go != 'g' || count != 1) return -1;
    return fds[0];
}

// Asks the host for the canvas, and writes into it once the host sends it: made, sized and
// sealed at its size only then, it can be neither grown nor shrunk here.
class HostCanvas final : public px::CanvasMaker {
  public:
    const px::Canvas* make(int width, int height, int channels) noexcept override {
        Reply ready;
        ready.kind = Reply::Kind::Ready;
        ready.header = {px::Header::Kind::Picture, width, height, channels == 4};
        if (!answer(ready) || receive_canvas() != 3) return nullptr;
        m_canvas = {nullptr, width, height, px::canvas_rowstride(width, channels), channels, 3};
        return &m_canvas;
    }

  private:
    px::Canvas m_canvas;
};

// What the host decided of the judged picture; false when it said nothing.
bool decided(px::Decided& d) {
    std::size_t got = 0;
    auto* at = reinterpret_cast<std::uint8_t*>(&d);
    while (got < sizeof d) {
        const ssize_t n = ::read(4, at + got, sizeof d - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return d.stop == 0 && d.width >= 0 && d.width <= 32767 && d.height >= 0 && d.height <= 32767;
}

// The next job and its descriptors (`count` of them); false when the host is gone.
bool receive(px::Job& job, std::array<int, px::kMaxPassed>& fds, std::size_t& count) {
    return px::receive_with_fds(0, &job, sizeof job, fds, count, MSG_CMSG_CLOEXEC);
}

// The job's descriptors laid out as the rest expects: the file on 0 (in place of the socket),
// the answers' pipe on 1 and a load's socket to the host on 4, nothing else but standard
// error; 3 is left free for the canvas.
bool place(const px::Job& job, std::array<int, 4> fds, std::size_t count) {
    const std::size_t wanted = job.mode == px::Job::Mode::Load ? 3 : 2;
    if (count != wanted || job.margin_mib > px::kMarginMib) return false;
    // Above the numbers they go to first, so that none overwrites another.
    for (std::size_t i = 0; i < count; ++i)
        fds[i] = ::fcntl(fds[i], F_DUPFD, 10);
    const int at[] = {0, 1, 4};
    for (std::size_t i = 0; i < wanted; ++i)
        if (fds[i] < 0 || ::dup2(fds[i], at[i]) != at[i]) return false;
    ::close(3);
    ::close_range(5, ~0U, 0);
    return true;
}

int work(const px::Job& job, const glimmer::confine::Filter& filter, std::size_t held) {
    std::span<std::uint8_t> file;
    if (!map(0, PROT_READ, MAP_PRIVATE, 0, file)) return 2;
    // What it holds (what the waiting decoder held, and the file) and what decoding rows takes:
    // the canvas is the host's, written to, never mapped here.
    const std::size_t limit = held + file.size() + (std::size_t{job.margin_mib} << 20);
    Reply r;
    if (const int err = glimmer::confine::enter({limit, px::kCpuSeconds}, filter); err != 0) {
        r.kind = Reply::Kind::NotConfined;
        r.error = err;
        answer(r);
        return 3;
    }
    if (!glimmer::confine::relaxed_for_sanitizers())
        r.limit_mib = static_cast<std::uint32_t>((limit + (std::size_t{1} << 20) - 1) >> 20);
    const bool whole = job.mode == px::Job::Mode::Load;
    r.kind = Reply::Kind::Judged;
    r.status = px::judge(file, whole, r.header);
    if (!answer(r)) return 1;
    px::Decided d;
    if (!whole || r.status != pcx::Status::Ok || !decided(d)) return 0;
    HostCanvas maker;
    const px::Decoded decoded = px::decode_into(file, d.width, d.height, maker);
    r.header = {};
    r.kind = decoded.status == pcx::Status::Ok && !decoded.drawn ? Reply::Kind::NoCanvas
                                                                 : Reply::Kind::Decoded;
    r.status = decoded.status;
    return answer(r) ? 0 : 1;
}

} // namespace

int main() {
    // Made once, before any file is there, and copied into every process forked for a job.
    const glimmer::confine::Filter filter({{1, 2, 3}, 4, false});
    const std::size_t held = glimmer::confine::address_space_in_use(std::size_t{64} << 20);
    px::Job job;
    std::array<int, 4> fds{};
    std::size_t count = 0;
    while (receive(job, fds, count)) {
        // A child of the host's, which reaps it and learns how it ended.
        const auto pid =
            static_cast<pid_t>(::syscall(SYS_clone, CLONE_PARENT | SIGCHLD, 0, 0, 0, 0));
        if (pid == 0) ::_exit(place(job, fds, count) ? work(job, filter, held) : 2);
        for (std::size_t i = 0; i < count; ++i)
            ::close(fds[i]);
        const std::int32_t told = pid > 0 ? pid : -errno;
        if (::send(0, &told, sizeof told, MSG_NOSIGNAL) != sizeof told) return 0;
    }
    return 0;
}
