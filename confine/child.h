// Waiting on a confined process: its answer read within a deadline, the process reaped (killed
// first when it overran), and how it ended told in words. Nothing is left behind: no process,
// no descriptor.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "confine/confine.h"

namespace glimmer::confine {

using Deadline = std::chrono::steady_clock::time_point;

enum class Read { Ended, Full, TooLong, TimedOut, Failed };

// Reads `fd` into `into` until its end (every write end closed, as when the process ended) or,
// when `until_full`, until `into` is full; `got` says how much came. More than `into` holds
// is TooLong.
[[nodiscard]] Read read_from(int fd, std::span<std::uint8_t> into, std::size_t& got,
                             Deadline deadline, bool until_full = false) noexcept;

struct Ending {
    enum class How { Exited, Signalled, Lost };
    How how = How::Lost; // Lost: someone else reaped it (a program that ignores SIGCHLD)
    int code = 0;        // the exit status or the signal
    double cpu_seconds = 0;
    bool overran = false; // it was still there at the deadline, and was killed
};

// Reaps `pid`, killing it first when `kill`, or when it has not ended by `deadline` (a process
// that closed its answers and then waits ends no other way). Through a pidfd, so that a pid
// used again by another process is never signalled.
[[nodiscard]] Ending reap(pid_t pid, bool kill, Deadline deadline) noexcept;

// Why a process stopped, after "the decoder was stopped: " ("it made a system call it may not
// make", "it passed its time limit of 15 s", ...), into `out` (never longer than `size`).
void describe(const Ending& ending, bool timed_out, const Limits& limits, unsigned wall_seconds,
              char* out, std::size_t size) noexcept;

} // namespace glimmer::confine
