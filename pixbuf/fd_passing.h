// Bytes with descriptors (SCM_RIGHTS) over a Unix socket, between the module and its decoder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <span>

namespace glimmer::pixbuf {

// At most four descriptors a message.
inline constexpr std::size_t kMaxPassed = 4;

// Sends `size` bytes and `fds` as one message, never raising SIGPIPE; whether all went.
[[nodiscard]] bool send_with_fds(int socket, const void* data, std::size_t size,
                                 std::span<const int> fds) noexcept;

// One message of exactly `size` bytes and the descriptors it carried (`count` of them, into
// `fds`); false for anything else, or when descriptors were cut off.
[[nodiscard]] bool receive_with_fds(int socket, void* data, std::size_t size,
                                    std::span<int, kMaxPassed> fds, std::size_t& count,
                                    int flags = 0) noexcept;

} // namespace glimmer::pixbuf
