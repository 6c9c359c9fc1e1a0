// The decoding processes of the module. Starting a program costs more than decoding a small
// texture, so one decoder, started once, waits for jobs: for each it forks a process (a child
// of the host's, as if the host had started it) that takes exactly that job (one file judged or
// decoded), confines itself and ends. The one that waits reads no file; it ends with the host.
#pragma once

#include <sys/types.h>

#include <span>
#include <string>
#include <utility>

#include "pixbuf/job.h"

namespace glimmer::pixbuf {

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
    void reset(int fd = -1) noexcept;

  private:
    int m_fd = -1;
};

// `fd` renumbered above the descriptors a decoder gets (0 to 4), close-on-exec; the old
// number is closed.
[[nodiscard]] Fd high(int fd) noexcept;

// Hands `job` and its descriptors to the waiting decoder (started now the first time): the pid
// of the process it made for the job, or -1 with `why` saying what stopped it.
[[nodiscard]] pid_t hand(const Job& job, std::span<const int> fds, std::string& why);

} // namespace glimmer::pixbuf
