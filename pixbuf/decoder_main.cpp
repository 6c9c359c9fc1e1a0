// glimmer-pcx-decoder: the GdkPixbuf module's decoding process, started by the module alone. It
// takes jobs and their descriptors on its socket (descriptor 0). On the first it confines itself,
// before it reads a byte of any file: to that file's size when the job is its only one, else to
// the largest file a shared decoder is given, for the jobs that follow from the same host. Its
// answers go to each job's pipe; a decode that has checked the file asks for its canvas, and
// writes into it once the host sends it.
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

// Where a job's descriptors are, as they arrive (each at the lowest number free): the file, the
// answers' pipe, the socket to the host for a load, and the canvas the host sends on it.
constexpr int kSocket = 0, kFile = 1, kAnswers = 3, kHost = 4, kCanvas = 5;

bool answer(const Reply& r) noexcept {
    const auto bytes = px::encode(r);
    std::span<const std::uint8_t> left(bytes);
    while (!left.empty()) {
        const ssize_t n = ::write(kAnswers, left.data(), left.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        left = left.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Its size: asked of the descriptor by seeking, the one way the filter lets it be asked.
std::size_t file_size() {
    const off_t end = ::lseek(kFile, 0, SEEK_END);
    return end > 0 ? static_cast<std::size_t>(end) : 0;
}

// The whole file mapped; an empty span for an empty file. False when it cannot be had.
bool map_file(std::span<std::uint8_t>& out) {
    const std::size_t size = file_size();
    if (size == 0) return true;
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, kFile, 0);
    if (p == MAP_FAILED) return false;
    out = {static_cast<std::uint8_t*>(p), size};
    return true;
}

// The canvas the host sends with its go, on kCanvas, or -1.
int receive_canvas() {
    char go = 0;
    std::array<int, px::kMaxPassed> fds{};
    std::size_t count = 0;
    if (!px::receive_with_fds(kHost, &go, 1, fds, count) || go != 'g' || count != 1) return -1;
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
        if (!answer(ready) || receive_canvas() != kCanvas) return nullptr;
        m_canvas = {nullptr,  width,  height, px::canvas_rowstride(width, channels),
                    channels, kCanvas};
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
        const ssize_t n = ::read(kHost, at + got, sizeof d - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return d.stop == 0 && d.width >= 0 && d.width <= 32767 && d.height >= 0 && d.height <= 32767;
}

// The next job; false when the host is gone, or when its descriptors are not where the filter
// lets them be used.
bool receive(px::Job& job) {
    std::array<int, px::kMaxPassed> fds{};
    std::size_t count = 0;
    if (!px::receive_with_fds(kSocket, &job, sizeof job, fds, count, MSG_CMSG_CLOEXEC))
        return false;
    const bool load = job.mode == px::Job::Mode::Load;
    return count == (load ? 3U : 2U) && fds[0] == kFile && fds[1] == kAnswers &&
           (!load || fds[2] == kHost) && job.margin_mib <= px::kMarginMib;
}

// Done with a job: its descriptors closed, which ends its answers for the host.
void close_job() {
    for (const int fd : {kFile, kAnswers, kHost, kCanvas})
        ::close(fd);
}

// What the process confined itself to, and how many jobs it took.
struct Process {
    std::size_t limit = 0; // bytes of address space
    bool once = false;
    unsigned jobs = 0;
};

// A shared decoder ends after so many jobs, or once it used a second of its CPU time: each job
// has the whole of its own CPU limit.
constexpr unsigned kJobsPerProcess = 1000;
constexpr double kSpentSeconds = 1.0;
// What a shared decoder keeps of the memory its jobs freed.
constexpr std::size_t kKeptBytes = std::size_t{1} << 20;

bool last_job(Process& p) {
    timespec used{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return p.once || ++p.jobs >= kJobsPerProcess ||
           double(used.tv_sec) + double(used.tv_nsec) * 1e-9 >= kSpentSeconds;
}

// The file of a job decoded as asked: what the host is told, and whether all was said.
bool work(const px::Job& job, const Process& p, bool ending) {
    std::span<std::uint8_t> file;
    // A file larger than the limit was made for is the host's error: refused unread.
    if (!p.once && file_size() > px::kSharedFileBytes) return false;
    Reply r;
    r.ending = ending;
    if (!glimmer::confine::relaxed_for_sanitizers())
        r.limit_mib = static_cast<std::uint32_t>((p.limit + (std::size_t{1} << 20) - 1) >> 20);
    const bool whole = job.mode == px::Job::Mode::Load;
    r.kind = Reply::Kind::Judged;
    // The file alone may pass the limit, when the margin asked was none.
    r.status = map_file(file) ? px::judge(file, whole, r.header) : pcx::Status::OutOfMemory;
    bool said = answer(r);
    px::Decided d;
    if (said && whole && r.status == pcx::Status::Ok && decided(d)) {
        HostCanvas maker;
        const px::Decoded decoded = px::decode_into(file, d.width, d.height, maker);
        r.header = {};
        r.kind = decoded.status == pcx::Status::Ok && !decoded.drawn ? Reply::Kind::NoCanvas
                                                                     : Reply::Kind::Decoded;
        r.status = decoded.status;
        said = answer(r);
    }
    if (!file.empty()) ::munmap(file.data(), file.size());
    return said;
}

// The limits of the first job, and the filter: from then on nothing but decoding.
int confine(const px::Job& first, Process& p) {
    // Made before any file is there.
    const glimmer::confine::Filter filter({{2, kAnswers, kCanvas}, {kSocket, kHost}, false});
    const std::size_t held = glimmer::confine::address_space_in_use(std::size_t{64} << 20);
    p.once = first.once != 0;
    // What it holds, the file (mapped) and what decoding rows takes: the canvas is the host's,
    // written to, never mapped here.
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t mapped = (file_size() + page - 1) / page * page;
    p.limit = held + (p.once ? mapped : px::kSharedFileBytes + kKeptBytes) +
              (std::size_t{first.margin_mib} << 20);
    // Memory a job freed goes back to the system, all but kKeptBytes, so that a job leaves the
    // next as much of the limit as it had; the rest is used again without a page fault.
    ::mallopt(M_MMAP_THRESHOLD, kKeptBytes);
    ::mallopt(M_TRIM_THRESHOLD, kKeptBytes);
    return glimmer::confine::enter({p.limit, px::kCpuSeconds + (p.once ? 0U : 1U)}, filter);
}

int serve() {
    px::Job job;
    if (!receive(job)) return 2;
    Process p;
    if (const int err = confine(job, p); err != 0) {
        Reply r;
        r.kind = Reply::Kind::NotConfined;
        r.error = err;
        answer(r);
        return 3;
    }
    for (;;) {
        const bool ending = last_job(p);
        if (!work(job, p, ending)) return 1;
        close_job();
        if (ending || !receive(job)) return 0;
    }
}

} // namespace

// Ended with _exit: what runs at exit (a sanitizer's reports) would make calls the filter
// forbids.
int main() {
    ::_exit(serve());
}
