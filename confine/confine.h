// A process that parses a file nobody chose confines itself before it reads a byte of it: from
// then on it may compute, take and give back memory (never executable), read its descriptors
// and write the few it names, where asked start threads of its own (which share the filter) or
// take descriptors on the sockets it names, and end; anything else (open, socket, connect, execve,
// ptrace, fork, ...) kills it, and a path's status is refused.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include <linux/filter.h>

namespace glimmer::confine {

struct Limits {
    std::size_t address_space = 0; // bytes of virtual memory; 0: none (see below)
    unsigned cpu_seconds = 0;      // 0: none
};

// Whether this is a sanitizer build, where address_space is not enforced (the shadow memory
// alone passes any limit) and writes and pipes are allowed (the runtime's own).
[[nodiscard]] bool relaxed_for_sanitizers() noexcept;

// What a filter allows beyond computing: writing the descriptors named, receiving descriptors
// on the sockets named, starting threads.
struct Allowed {
    std::initializer_list<int> writable;
    std::initializer_list<int> receiving;
    bool threads = false;
};

// The filter, made ahead of entering it (libseccomp's work, done before any file is there).
class Filter {
  public:
    explicit Filter(const Allowed& allowed) noexcept;

  private:
    friend int enter(const Limits& limits, const Filter& filter) noexcept;
    std::vector<sock_filter> m_program;
    int m_error = 0;
};

// no_new_privs, the limits (and no core files), then the filter, in that order. Returns 0, or the
// errno of the step that failed: the caller must then stop, since it is not confined.
[[nodiscard]] int enter(const Limits& limits, const Filter& filter) noexcept;
// The same with a filter that allows writing `writable` and threads.
[[nodiscard]] int enter(const Limits& limits, std::initializer_list<int> writable) noexcept;

// Virtual memory this process holds now (from /proc/self/statm), or `fallback` where that
// cannot be read.
[[nodiscard]] std::size_t address_space_in_use(std::size_t fallback) noexcept;

} // namespace glimmer::confine
