// The decoding processes of the module, children of the host. Starting a process costs more than
// decoding a small texture, so a decoder confined for files up to kSharedFileBytes takes one
// job after another from the same host, and waits between them; a larger file, or a job with
// a margin of its own, gets a process of its own that ends with it. A decoder that failed in
// any way, overran, or said anything out of place is killed, never asked again. Waiting
// decoders end with the host (their socket closes).
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

// A decoder taken for a job.
struct Decoder {
    pid_t pid = -1;
    Fd socket;
    bool shared = false; // it may be given back for the next job
};

// Hands `job` and its descriptors to a decoder: a waiting one when the job may share one, else
// one started now. The decoder, or one with pid -1 and `why` saying what stopped it.
[[nodiscard]] Decoder hand(const Job& job, std::span<const int> fds, std::string& why);

// A decoder that ended its job well and said it takes another: waiting for the next job.
void give_back(Decoder&& decoder);

} // namespace glimmer::pixbuf
