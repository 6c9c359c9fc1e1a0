#include "pixbuf/decoders.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "confine/child.h"
#include "pixbuf/fd_passing.h"
#include "pixbuf/reply.h"

namespace glimmer::pixbuf {

void Fd::reset(int fd) noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

Fd high(int fd) noexcept {
    if (fd < 0) return Fd();
    Fd low(fd);
    return Fd(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
}

namespace {

// Beside the module, as it was loaded: never a search path, never a variable.
std::string decoder_path() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&hand), &info) == 0 || !info.dli_fname)
        return kDecoderName;
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kDecoderName;
}

// A program that someone else may replace is not run.
bool safe_to_run(const std::string& path, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISREG(st.st_mode) && (st.st_uid == 0 || st.st_uid == ::getuid()) &&
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return true;
    why = path + " may be changed by others";
    return false;
}

// A decoder waiting on a socket (its descriptor 0), with nothing else of the host's but its
// standard error, the host's signal handlers and mask reset, and no environment.
bool start(Decoder& out, std::string& why) {
    const std::string path = decoder_path();
    if (!safe_to_run(path, why)) return false;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        why = std::strerror(errno);
        return false;
    }
    Fd ours = high(ends[0]), theirs = high(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 0);
    posix_spawn_file_actions_addclose(&actions, 1);
#if !defined(__SANITIZE_ADDRESS__)
    // Nothing of a file it reads reaches the program's standard error (a terminal, a session
    // log); a sanitizer build keeps it, for the runtime's reports.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#endif
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char* const argv[] = {const_cast<char*>(kDecoderName), nullptr};
    char* const env[] = {nullptr};
    const int err = ::posix_spawn(&out.pid, path.c_str(), &actions, &attr, argv, env);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
        why = path + ": " + std::strerror(err);
        return false;
    }
    out.socket = std::move(ours);
    return true;
}

bool send_job(int socket, const Job& job, std::span<const int> fds) {
    return send_with_fds(socket, &job, sizeof job, fds);
}

void reap(pid_t pid) {
    (void)confine::reap(pid, true, std::chrono::steady_clock::now());
}

// A decoder that waited and is gone: reaped, unless the program did (one that ignores SIGCHLD),
// when its pid may be another process's by now.
void reap_waiting(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) reap(pid);
}

// The decoders waiting for a job, at most two (the threads that load at once, as a rule).
struct Waiting {
    pid_t owner = -1; // the process they are children of
    std::vector<Decoder> decoders;
};
constexpr std::size_t kMostWaiting = 2;

std::mutex lock;
Waiting& waiting() {
    static auto* w = new Waiting(); // never destroyed: the host may load pictures until it ends
    // A program that forked after starting them shares them with its parent: the child starts
    // its own, and keeps none of its parent's (this copy of their sockets only is closed).
    if (w->owner != ::getpid()) {
        w->decoders.clear();
        w->owner = ::getpid();
    }
    return *w;
}

Decoder take_waiting() {
    const std::lock_guard guard(lock);
    Waiting& w = waiting();
    if (w.decoders.empty()) return {};
    Decoder d = std::move(w.decoders.back());
    w.decoders.pop_back();
    return d;
}

} // namespace

Decoder hand(const Job& job, std::span<const int> fds, std::string& why) {
    const bool shared = job.once == 0;
    // One that ended while it waited (someone killed it) is reaped, and another asked.
    for (Decoder d = shared ? take_waiting() : Decoder(); d.pid > 0; d = take_waiting()) {
        if (send_job(d.socket.get(), job, fds)) return d;
        reap_waiting(d.pid);
    }
    Decoder d;
    if (!start(d, why)) return {};
    d.shared = shared;
    if (send_job(d.socket.get(), job, fds)) return d;
    reap(d.pid);
    why = "it ended before it took the file";
    return {};
}

void give_back(Decoder&& decoder) {
    {
        const std::lock_guard guard(lock);
        Waiting& w = waiting();
        if (decoder.shared && w.decoders.size() < kMostWaiting) {
            w.decoders.push_back(std::move(decoder));
            return;
        }
    }
    decoder.socket.reset(); // told there is no next job, it ends
    (void)confine::reap(decoder.pid, false,
                        std::chrono::steady_clock::now() + std::chrono::seconds(1));
}

} // namespace glimmer::pixbuf
