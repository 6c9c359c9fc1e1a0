// The module's decoding: each file is judged and decoded in a process that confined itself
// before it read a byte of any file (confine/confine.h, pixbuf/decoders.h). The bytes go to it in a
// sealed memfd; its rows come back into a canvas that it may write but not resize; what it says is
// checked as untrusted bytes. Whatever goes wrong ends in a GError, never in a picture.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "confine/child.h"
#include "pixbuf/backend.h"
#include "pixbuf/decoders.h"
#include "pixbuf/failure.h"
#include "pixbuf/fd_passing.h"
#include "pixbuf/reply.h"

namespace glimmer::pixbuf {
namespace {

using Message = char[384];

void set_failed(GError** error, const Message& m,
                GdkPixbufError code = GDK_PIXBUF_ERROR_FAILED) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, m);
}

Fd memfd(const char* name) noexcept {
    return high(::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING));
}

bool write_all(int fd, const void* data, std::size_t size) noexcept {
    const auto* at = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// To the decoder's process, which may have died: never SIGPIPE, which would end the program.
bool send_all(int socket, const void* data, std::size_t size) noexcept {
    const auto* at = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(socket, at, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Says go, and hands over the canvas with it.
bool send_canvas(int socket, int canvas) noexcept {
    const char go = 'g';
    return send_with_fds(socket, &go, 1, {&canvas, 1});
}

// The channel on which the host gives its decision and says go.
bool make_socket(Fd& theirs, Fd& ours) noexcept {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    theirs = high(ends[0]);
    ours = high(ends[1]);
    return theirs.get() >= 0 && ours.get() >= 0;
}

bool seal(int fd) noexcept {
    return ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0;
}

bool make_pipe(Fd& read_end, Fd& write_end) noexcept {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    read_end = high(ends[0]);
    write_end = high(ends[1]);
    return read_end.get() >= 0 && write_end.get() >= 0;
}

// A tighter limit than the usual may be asked of the environment, never a wider one: the
// memory margin (GLIMMER_DECODER_MARGIN_MIB; 0: none beyond what the process holds when it
// starts) and the wall-clock time (GLIMMER_DECODER_WALL_SECONDS).
unsigned tighter(const char* name, unsigned usual) noexcept {
    const char* asked = std::getenv(name);
    char* end = nullptr;
    const long n = asked ? std::strtol(asked, &end, 10) : -1;
    const bool given = asked && *asked != '\0' && *end == '\0';
    return given && n >= 0 && n < static_cast<long>(usual) ? static_cast<unsigned>(n) : usual;
}

void unmap(guchar* pixels, gpointer bytes) noexcept {
    ::munmap(pixels, GPOINTER_TO_SIZE(bytes));
}

// Whether `pid` is still there (a decoder that ended its job and waits for the next), not
// ended or killed.
bool still_there(pid_t pid) noexcept {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

// One job in a decoder: the answers read as they come, within the wall-clock limit; at the end
// the decoder given back for the next job when it ended this one well and says it waits, else
// reaped, killed first when it overran or said more than it may.
class Session {
  public:
    Session(Job::Mode mode, std::size_t file_bytes, std::span<const int> fds, Fd answers,
            GError** error)
        : m_answers(std::move(answers)), m_error(error) {
        std::string why;
        const unsigned margin = tighter("GLIMMER_DECODER_MARGIN_MIB", kMarginMib);
        const bool once = file_bytes > kSharedFileBytes || margin != kMarginMib;
        m_decoder = hand(
            {mode, static_cast<std::uint8_t>(margin), once ? std::uint8_t{1} : std::uint8_t{0}},
            fds, why);
        if (m_decoder.pid < 0) {
            Message m;
            std::snprintf(m, sizeof m, "the decoder could not be started: %s", why.c_str());
            set_failed(error, m);
        }
    }
    ~Session() { end(); }

    [[nodiscard]] bool started() const noexcept { return m_decoder.pid > 0; }

    // The next answer, when it is one of `kinds`; else the process is stopped and why is said.
    std::optional<Reply> next(std::initializer_list<Reply::Kind> kinds) {
        std::array<std::uint8_t, kReplyBytes> bytes{};
        std::size_t got = 0;
        m_read = confine::read_from(m_answers.get(), bytes, got, m_deadline, true);
        const auto reply = m_read == confine::Read::Full ? parse_reply(bytes) : std::nullopt;
        for (const Reply::Kind k : kinds)
            if (reply && reply->kind == k) {
                m_waits = !reply->ending;
                return reply;
            }
        stopped(reply);
        return std::nullopt;
    }

    // The last answer taken: the process must end with it, and well.
    bool last() {
        std::array<std::uint8_t, 1> more{};
        std::size_t extra = 0;
        m_read = confine::read_from(m_answers.get(), more, extra, m_deadline);
        if (extra != 0) m_read = confine::Read::TooLong;
        if (m_read == confine::Read::Ended && m_waits && m_decoder.shared &&
            still_there(m_decoder.pid)) {
            give_back(std::move(m_decoder));
            m_decoder.pid = -1;
            return true;
        }
        const confine::Ending e = end();
        // Lost: a program that ignores SIGCHLD had it reaped at once; the answer was whole.
        const bool well = (e.how == confine::Ending::How::Exited && e.code == 0) ||
                          e.how == confine::Ending::How::Lost;
        if (m_read == confine::Read::Ended && well && !e.overran) return true;
        tell(nullptr, e);
        return false;
    }

  private:
    void stopped(const std::optional<Reply>& reply) {
        const confine::Ending e = end();
        tell(reply && reply->kind == Reply::Kind::NotConfined ? &*reply : nullptr, e);
    }

    void tell(const Reply* refused, const confine::Ending& e) {
        Message m;
        if (refused) {
            std::snprintf(m, sizeof m, "the decoder could not confine itself: %s",
                          std::strerror(refused->error));
        } else {
            char why[256];
            confine::describe(e, m_read == confine::Read::TimedOut, {0, kCpuSeconds}, m_wall, why,
                              sizeof why);
            std::snprintf(m, sizeof m, "the decoder was stopped: %s", why);
        }
        set_failed(m_error, m);
    }

    confine::Ending end() {
        if (m_decoder.pid <= 0) return m_ending;
        // One that waits for a next job, though it should have ended or failed, is made to end.
        const bool kill = m_read != confine::Read::Ended || m_waits;
        m_ending = confine::reap(m_decoder.pid, kill, m_deadline);
        m_decoder = Decoder();
        return m_ending;
    }

    Fd m_answers;
    GError** m_error;
    Decoder m_decoder;
    bool m_waits = false; // its last answer said it takes another job
    confine::Read m_read = confine::Read::Failed;
    confine::Ending m_ending;
    unsigned m_wall = tighter("GLIMMER_DECODER_WALL_SECONDS", kWallSeconds);
    confine::Deadline m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_wall);
};

// A status the decoder answered: its text, or past the memory limit, that.
void tell_status(const Reply& r, GError** error) {
    if (r.status == pcx::Status::OutOfMemory && r.limit_mib != 0) {
        Message m;
        std::snprintf(m, sizeof m, "the decoder was stopped: it passed its memory limit of %u MiB",
                      r.limit_mib);
        set_failed(error, m, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY);
    } else {
        set_status_error(error, r.status);
    }
}

class Confined final : public Backend {
  public:
    bool append(std::span<const std::uint8_t> bytes, GError** error) override {
        if (m_file.get() < 0) m_file = memfd("glimmer-pcx-file");
        if (m_kept < kJudgedBytes)
            std::memcpy(m_head.data() + m_kept, bytes.data(),
                        std::min(bytes.size(), kJudgedBytes - m_kept));
        if (m_file.get() < 0 || !write_all(m_file.get(), bytes.data(), bytes.size())) {
            set_memory_error(error);
            return false;
        }
        m_kept += bytes.size();
        return true;
    }

    bool judge_start(Header& out, GError** error) override {
        Fd start = memfd("glimmer-pcx-header"), answers, theirs;
        const std::size_t n = std::min(m_kept, kJudgedBytes);
        if (start.get() < 0 || !write_all(start.get(), m_head.data(), n) || !seal(start.get()) ||
            !make_pipe(answers, theirs)) {
            set_memory_error(error);
            return false;
        }
        const std::array<int, 2> fds{start.get(), theirs.get()};
        Session s(Job::Mode::Judge, n, fds, std::move(answers), error);
        theirs.reset(); // the pipe ends when the decoder does
        if (!s.started()) return false;
        const auto r = s.next({Reply::Kind::Judged});
        if (!r || !s.last()) return false;
        if (r->status != pcx::Status::Ok) {
            tell_status(*r, error);
            return false;
        }
        out = r->header;
        return true;
    }

    PixbufPtr load(const Decide& decide, const Made& made, GError** error) override;

    void drop() noexcept override { m_file.reset(); }

  private:
    // The file, sealed once it is whole: the decoder reads it and nothing changes it.
    int sealed_file() noexcept {
        if (m_file.get() < 0) m_file = memfd("glimmer-pcx-file");
        if (!m_sealed && m_file.get() >= 0) m_sealed = seal(m_file.get());
        return m_sealed ? m_file.get() : -1;
    }

    // The canvas the decoder asked for (`ready`), at the size decided: made, sealed at its size
    // (the decoder may fill it, never grow or shrink it) and mapped; `file` is its memfd.
    static PixbufPtr canvas(const Reply& ready, const Decided& decided, Fd& file) {
        const Header& h = ready.header;
        const int channels = h.alpha ? 4 : 3;
        // Only the size decided is made, within the decoder's own limit: any other answer is a
        // decoder gone wrong.
        if (h.width != decided.width || h.height != decided.height ||
            std::size_t(h.width) * std::size_t(h.height) * std::size_t(channels) > kMaxCanvasBytes)
            return nullptr;
        const std::size_t stride = canvas_rowstride(h.width, channels);
        const std::size_t bytes = stride * static_cast<std::size_t>(h.height);
        file = memfd("glimmer-pcx-canvas");
        const int fd = file.get();
        struct stat st {};
        if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0 ||
            ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0 ||
            ::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) != bytes)
            return nullptr;
        void* pixels = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (pixels == MAP_FAILED) return nullptr;
        PixbufPtr p(gdk_pixbuf_new_from_data(
            static_cast<guchar*>(pixels), GDK_COLORSPACE_RGB, h.alpha, 8, h.width, h.height,
            static_cast<int>(stride), unmap, GSIZE_TO_POINTER(bytes)));
        if (!p) ::munmap(pixels, bytes);
        return p;
    }

    Fd m_file;
    bool m_sealed = false;
    std::size_t m_kept = 0;
    std::array<std::uint8_t, kJudgedBytes> m_head{};
};

PixbufPtr Confined::load(const Decide& decide, const Made& made, GError** error) {
    const int file = sealed_file();
    Fd canvas_fd, answers, theirs, go_read, go;
    if (file < 0 || !make_pipe(answers, theirs) || !make_socket(go_read, go)) {
        set_memory_error(error);
        return nullptr;
    }
    const std::array<int, 3> fds{file, theirs.get(), go_read.get()};
    Session s(Job::Mode::Load, m_kept, fds, std::move(answers), error);
    theirs.reset();
    go_read.reset();
    if (!s.started()) return nullptr;
    const auto judged = s.next({Reply::Kind::Judged});
    if (!judged) return nullptr;
    if (judged->status != pcx::Status::Ok) {
        tell_status(*judged, error);
        return nullptr;
    }
    const Decision d = decide(judged->header);
    const Decided decided{d.width, d.height, d.stop ? 1 : 0};
    if (d.stop) {
        go.reset();
        s.last();
        g_clear_error(error); // stopped: no picture, and nothing wrong
        return nullptr;
    }
    if (!send_all(go.get(), &decided, sizeof decided)) {
        go.reset();
        if (s.last()) set_internal_error(error); // it took no decision, yet ended well
        return nullptr;
    }
    auto r = s.next({Reply::Kind::Ready, Reply::Kind::Decoded, Reply::Kind::NoCanvas});
    if (!r) return nullptr;
    PixbufPtr pixbuf;
    bool unmade = false; // the host could not make the canvas asked for
    if (r->kind == Reply::Kind::Ready) {
        pixbuf = canvas(*r, decided, canvas_fd);
        unmade = !pixbuf;
        if (pixbuf) made(pixbuf.get());
        if (!pixbuf || !send_canvas(go.get(), canvas_fd.get())) go.reset(); // told to stop
        canvas_fd.reset(); // mapped here; the decoder's copy is the one it writes
        r = s.next({Reply::Kind::Decoded, Reply::Kind::NoCanvas});
        if (!r) return nullptr;
    }
    if (!s.last()) return nullptr;
    if (unmade) {
        set_internal_error(error);
    } else if (r->status != pcx::Status::Ok) {
        tell_status(*r, error);
    } else if (r->kind != Reply::Kind::Decoded || !pixbuf) {
        set_internal_error(error); // it drew nothing
    } else {
        return pixbuf;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Backend> make_backend() {
    return std::make_unique<Confined>();
}

} // namespace glimmer::pixbuf
