#include "confine/child.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string.h>
#include <unistd.h>

namespace glimmer::confine {

Read read_from(int fd, std::span<std::uint8_t> into, std::size_t& got, Deadline deadline,
               bool until_full) noexcept {
    got = 0;
    std::uint8_t spare = 0;
    while (true) {
        if (until_full && got == into.size()) return Read::Full;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Read::TimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready =
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
        if (ready < 0 && errno != EINTR) return Read::Failed;
        if (ready <= 0) continue;
        // One byte past the room is read to tell a longer answer from one that fits.
        std::uint8_t* at = got < into.size() ? into.data() + got : &spare;
        const std::size_t room = got < into.size() ? into.size() - got : 1;
        const ssize_t n = ::read(fd, at, room);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Read::Failed;
        if (n == 0) return Read::Ended;
        if (got >= into.size()) return Read::TooLong;
        got += static_cast<std::size_t>(n);
    }
}

Ending reap(pid_t pid, bool kill) noexcept {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    pid_t r;
    do {
        r = ::wait4(pid, &status, 0, &usage);
    } while (r < 0 && errno == EINTR);
    Ending e;
    if (r != pid) return e;
    e.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status)) {
        e.how = Ending::How::Exited;
        e.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        e.how = Ending::How::Signalled;
        e.code = WTERMSIG(status);
    }
    return e;
}

void describe(const Ending& e, bool timed_out, const Limits& limits, unsigned wall_seconds,
              char* out, std::size_t size) noexcept {
    const bool cpu = limits.cpu_seconds != 0 && e.cpu_seconds >= limits.cpu_seconds;
    if (timed_out)
        std::snprintf(out, size, "it took longer than %u s", wall_seconds);
    else if (e.how == Ending::How::Signalled && e.code == SIGSYS)
        std::snprintf(out, size, "it made a system call it may not make");
    else if (e.how == Ending::How::Signalled && (e.code == SIGXCPU || (cpu && e.code == SIGKILL)))
        std::snprintf(out, size, "it passed its time limit of %u s", limits.cpu_seconds);
    else if (e.how == Ending::How::Signalled)
        std::snprintf(out, size, "it was killed by signal %d (%s)", e.code,
                      sigdescr_np(e.code) ? sigdescr_np(e.code) : "unknown");
    else if (e.how == Ending::How::Exited)
        std::snprintf(out, size, "it ended with status %d without a well-formed answer", e.code);
    else
        std::snprintf(out, size, "it ended without a well-formed answer");
}

} // namespace glimmer::confine
