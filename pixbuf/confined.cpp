// The module's decoding: every judgement and decode runs in a process of its own, which
// confines itself before it reads a byte (confine/confine.h). The bytes go to it in a sealed
// memfd, the picture comes back in another that it may fill but not resize, and what it says
// is checked as untrusted bytes. Whatever goes wrong ends in a GError, never in a picture.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "confine/child.h"
#include "pixbuf/backend.h"
#include "pixbuf/failure.h"
#include "pixbuf/reply.h"

namespace glimmer::pixbuf {
namespace {

using Message = char[384];

void set_failed(GError** error, const Message& m,
                GdkPixbufError code = GDK_PIXBUF_ERROR_FAILED) noexcept {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, m);
}

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) noexcept : m_fd(fd) {}
    Fd(Fd&& o) noexcept : m_fd(o.release()) {}
    Fd& operator=(Fd&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~Fd() { reset(); }
    [[nodiscard]] int get() const noexcept { return m_fd; }
    int release() noexcept { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) noexcept {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

  private:
    int m_fd = -1;
};

// A descriptor numbered above those the process gets (0 to 3), so that handing it on never
// overwrites another.
Fd high(int fd) noexcept {
    if (fd < 0) return Fd();
    Fd low(fd);
    return Fd(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
}

Fd memfd(const char* name) noexcept {
    return high(::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING));
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Beside the module, as it was loaded: never a search path, never a variable.
std::string decoder_path() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&make_backend), &info) == 0 || !info.dli_fname)
        return kDecoderName;
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kDecoderName;
}

// A program that someone else may replace is not run.
bool safe_to_run(const std::string& path, Message& m) noexcept {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        std::snprintf(m, sizeof m, "the decoder could not be started: %s: %s", path.c_str(),
                      std::strerror(errno));
        return false;
    }
    if (S_ISREG(st.st_mode) && (st.st_uid == 0 || st.st_uid == ::getuid()) &&
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return true;
    std::snprintf(m, sizeof m, "the decoder could not be started: %s may be changed by others",
                  path.c_str());
    return false;
}

struct Spawned {
    pid_t pid = -1;
    Fd answer;
};

// Descriptors 3 and 4 of a decode: the canvas, and the pipe on which the host says go.
struct Drawing {
    int canvas = -1;
    int go = -1;
};

// The decoder with `input` as descriptor 0, its answers' pipe as 1, a decode's `drawing` as 3
// and 4, and nothing else of the host's but its standard error; no environment.
int spawn(const std::string& path, char* const argv[], int input, Drawing drawing, Spawned& out) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return errno;
    Fd read_end = high(ends[0]), write_end = high(ends[1]);
    if (read_end.get() < 0 || write_end.get() < 0) return EMFILE;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_adddup2(&actions, write_end.get(), 1);
    if (drawing.canvas >= 0) {
        posix_spawn_file_actions_adddup2(&actions, drawing.canvas, 3);
        posix_spawn_file_actions_adddup2(&actions, drawing.go, 4);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, 5);
    // The host's signal handlers and mask are its own.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char* const env[] = {nullptr};
    const int err = ::posix_spawn(&out.pid, path.c_str(), &actions, &attr, argv, env);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err == 0) out.answer = std::move(read_end);
    return err;
}

class Confined final : public Backend {
  public:
    bool append(std::span<const std::uint8_t> bytes, GError** error) override {
        if (m_file.get() < 0) m_file = memfd("glimmer-pcx-file");
        if (m_kept < kJudgedBytes)
            std::memcpy(m_head.data() + m_kept, bytes.data(),
                        std::min(bytes.size(), kJudgedBytes - m_kept));
        if (m_file.get() < 0 || !write_all(m_file.get(), bytes)) {
            set_memory_error(error);
            return false;
        }
        m_kept += bytes.size();
        return true;
    }

    bool judge(bool whole, Header& out, GError** error) override {
        Fd start;
        int input = -1;
        if (whole) {
            input = sealed_file();
        } else {
            start = memfd("glimmer-pcx-header");
            const std::size_t n = std::min(m_kept, kJudgedBytes);
            if (start.get() >= 0 && write_all(start.get(), {m_head.data(), n}) && seal(start.get()))
                input = start.get();
        }
        if (input < 0) {
            set_memory_error(error);
            return false;
        }
        const char* mode = whole ? "judge-whole" : "judge";
        Reply r;
        if (!run(mode, input, {}, {}, Reply::Kind::Judged, r, error)) return false;
        out = r.header;
        return true;
    }

    PixbufPtr decode(int width, int height, const std::function<void(GdkPixbuf*)>& made,
                     GError** error) override {
        const int input = sealed_file();
        Fd canvas = memfd("glimmer-pcx-canvas");
        int ends[2] = {-1, -1};
        const bool piped = ::pipe2(ends, O_CLOEXEC) == 0;
        Fd go_read = high(piped ? ends[0] : -1);
        m_go = high(piped ? ends[1] : -1);
        if (input < 0 || canvas.get() < 0 || go_read.get() < 0 || m_go.get() < 0) {
            set_memory_error(error);
            return nullptr;
        }
        m_pixbuf.reset();
        m_canvas_error = false;
        m_made = &made;
        m_asked = {width, height};
        Reply r;
        const bool done = run("decode", input, {canvas.get(), go_read.get()}, m_asked,
                              Reply::Kind::Decoded, r, error);
        m_go.reset();
        PixbufPtr p = std::move(m_pixbuf);
        if (!done) return nullptr;
        if (r.kind != Reply::Kind::Decoded || !p) {
            // The decode ended well without drawing: the host failed to make the canvas.
            if (!m_canvas_error)
                set_internal_error(error);
            else
                set_memory_error(error);
            return nullptr;
        }
        return p;
    }

    void drop() noexcept override { m_file.reset(); }

  private:
    struct Dims {
        int width = 0;
        int height = 0;
    };

    static void unmap(guchar* pixels, gpointer bytes) noexcept {
        ::munmap(pixels, GPOINTER_TO_SIZE(bytes));
    }

    static bool seal(int fd) noexcept {
        return ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) ==
               0;
    }

    // The file, sealed once it is whole: the decoder reads it and nothing changes it.
    int sealed_file() noexcept {
        if (m_file.get() < 0) m_file = memfd("glimmer-pcx-file");
        if (!m_sealed && m_file.get() >= 0) m_sealed = seal(m_file.get());
        return m_sealed ? m_file.get() : -1;
    }

    bool run(const char* mode, int input, Drawing drawing, Dims dims, Reply::Kind expected,
             Reply& r, GError** error);
    // The canvas a decode asked for (`ready`), made and mapped and told of, and the decode
    // told to go on; false when it cannot be, and the decode is told to stop.
    bool draw(const Reply& ready, int canvas);

    Fd m_file;
    bool m_sealed = false;
    std::size_t m_kept = 0;
    std::array<std::uint8_t, kJudgedBytes> m_head{};
    // The decode under way.
    Dims m_asked;
    Fd m_go;
    const std::function<void(GdkPixbuf*)>* m_made = nullptr;
    PixbufPtr m_pixbuf;
    bool m_canvas_error = false;
};

// A tighter margin than the usual may be asked of the environment (0: none beyond what the
// process holds when it starts), never a wider one.
unsigned margin_mib() noexcept {
    const char* asked = std::getenv("GLIMMER_DECODER_MARGIN_MIB");
    char* end = nullptr;
    const long n = asked ? std::strtol(asked, &end, 10) : -1;
    const bool given = asked && *asked != '\0' && *end == '\0';
    return given && n >= 0 && n < static_cast<long>(kMarginMib) ? static_cast<unsigned>(n)
                                                                : kMarginMib;
}

void tell_stopped(const Reply* r, const confine::Ending& e, bool timed_out, GError** error) {
    Message m;
    if (r && r->kind == Reply::Kind::NotConfined) {
        std::snprintf(m, sizeof m, "the decoder could not confine itself: %s",
                      std::strerror(r->error));
        set_failed(error, m);
        return;
    }
    char why[256];
    confine::describe(e, timed_out, {0, kCpuSeconds}, kWallSeconds, why, sizeof why);
    std::snprintf(m, sizeof m, "the decoder was stopped: %s", why);
    set_failed(error, m);
}

bool Confined::draw(const Reply& ready, int canvas) {
    const Header& h = ready.header;
    const int channels = h.alpha ? 4 : 3;
    const std::size_t stride = canvas_rowstride(h.width, channels);
    const std::size_t bytes = stride * static_cast<std::size_t>(h.height);
    struct stat st {};
    m_canvas_error = true;
    // Sealed at its size: the decoder may fill it, never shrink it under the host.
    if (::ftruncate(canvas, static_cast<off_t>(bytes)) != 0 ||
        ::fcntl(canvas, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0 ||
        ::fstat(canvas, &st) != 0 || static_cast<std::size_t>(st.st_size) != bytes)
        return false;
    void* pixels = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, canvas, 0);
    if (pixels == MAP_FAILED) return false;
    m_pixbuf.reset(gdk_pixbuf_new_from_data(static_cast<guchar*>(pixels), GDK_COLORSPACE_RGB,
                                            h.alpha, 8, h.width, h.height, static_cast<int>(stride),
                                            unmap, GSIZE_TO_POINTER(bytes)));
    if (!m_pixbuf) {
        ::munmap(pixels, bytes);
        return false;
    }
    m_canvas_error = false;
    (*m_made)(m_pixbuf.get());
    const std::uint8_t go = 'g';
    return write_all(m_go.get(), {&go, 1});
}

bool Confined::run(const char* mode, int input, Drawing drawing, Dims dims, Reply::Kind expected,
                   Reply& r, GError** error) {
    Message m;
    const std::string path = decoder_path();
    if (!safe_to_run(path, m)) {
        set_failed(error, m);
        return false;
    }
    const std::string margin = std::to_string(margin_mib()), w = std::to_string(dims.width),
                      h = std::to_string(dims.height);
    const char* argv[] = {kDecoderName, mode, margin.c_str(), w.c_str(), h.c_str(), nullptr};
    Spawned child;
    if (const int err = spawn(path, const_cast<char* const*>(argv), input, drawing, child)) {
        std::snprintf(m, sizeof m, "the decoder could not be started: %s: %s", path.c_str(),
                      std::strerror(err));
        set_failed(error, m);
        return false;
    }
    std::array<std::uint8_t, kReplyBytes> answer{};
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWallSeconds);
    auto read = confine::read_from(child.answer.get(), answer, got, deadline, true);
    auto reply = read == confine::Read::Full ? parse_reply(answer) : std::nullopt;
    if (reply && reply->kind == Reply::Kind::Ready) {
        // Only a decode asks, and only for the size it was given.
        const bool asked = expected == Reply::Kind::Decoded && reply->header.width == dims.width &&
                           reply->header.height == dims.height;
        if (!asked || !draw(*reply, drawing.canvas)) m_go.reset();
        read = confine::read_from(child.answer.get(), answer, got, deadline, true);
        reply = read == confine::Read::Full && asked ? parse_reply(answer) : std::nullopt;
    }
    // Nothing may follow the last answer.
    if (read == confine::Read::Full) {
        std::array<std::uint8_t, 1> more{};
        std::size_t extra = 0;
        read = confine::read_from(child.answer.get(), more, extra, deadline);
        if (extra != 0) read = confine::Read::TooLong;
    }
    const confine::Ending ending = confine::reap(child.pid, read != confine::Read::Ended);
    if (read != confine::Read::Ended) reply.reset();
    const bool exited = ending.how == confine::Ending::How::Exited && ending.code == 0;
    const bool fits = reply && (reply->kind == expected || (expected == Reply::Kind::Decoded &&
                                                            reply->kind == Reply::Kind::NoCanvas));
    if (!exited || !fits) {
        tell_stopped(reply ? &*reply : nullptr, ending, read == confine::Read::TimedOut, error);
        m_pixbuf.reset();
        return false;
    }
    r = *reply;
    if (r.status == pcx::Status::Ok) return true;
    m_pixbuf.reset();
    if (m_canvas_error) {
        set_memory_error(error); // the host's own: it could not make the canvas
    } else if (r.status == pcx::Status::OutOfMemory && r.limit_mib != 0) {
        std::snprintf(m, sizeof m, "the decoder was stopped: it passed its memory limit of %u MiB",
                      r.limit_mib);
        set_failed(error, m, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY);
    } else {
        set_status_error(error, r.status);
    }
    return false;
}

} // namespace

std::unique_ptr<Backend> make_backend() {
    return std::make_unique<Confined>();
}

} // namespace glimmer::pixbuf
