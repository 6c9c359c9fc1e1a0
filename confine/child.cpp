#include "confine/child.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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

Ending reap(pid_t pid, bool kill, Deadline deadline) noexcept {
    Ending e;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) return e; // reaped already, by someone else
    if (!kill) {
        while (true) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{pidfd, POLLIN, 0};
            const int ready =
                left.count() > 0
                    ? ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)))
                    : 0;
            if (ready > 0) break;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0 && left.count() > 0) continue;
            kill = e.overran = true;
            break;
        }
    }
    if (kill) ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
    siginfo_t info{};
    rusage usage{};
    int r;
    do {
        r = static_cast<int>(::syscall(SYS_waitid, 3 /* P_PIDFD */, pidfd, &info, WEXITED, &usage));
    } while (r < 0 && errno == EINTR);
    ::close(pidfd);
    if (r != 0) return e;
    e.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (info.si_code == CLD_EXITED) {
        e.how = Ending::How::Exited;
        e.code = info.si_status;
    } else {
        e.how = Ending::How::Signalled;
        e.code = info.si_status;
    }
    return e;
}

void describe(const Ending& e, bool timed_out, const Limits& limits, unsigned wall_seconds,
              char* out, std::size_t size) noexcept {
    const bool cpu = limits.cpu_seconds != 0 && e.cpu_seconds >= limits.cpu_seconds;
    if (timed_out || e.overran)
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
