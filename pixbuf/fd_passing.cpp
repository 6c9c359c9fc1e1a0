#include "pixbuf/fd_passing.h"

#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace glimmer::pixbuf {
namespace {

using Control = std::array<char, CMSG_SPACE(kMaxPassed * sizeof(int))>;

msghdr message(iovec& data, Control& control) noexcept {
    msghdr msg{};
    msg.msg_iov = &data;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    return msg;
}

} // namespace

bool send_with_fds(int socket, const void* data, std::size_t size,
                   std::span<const int> fds) noexcept {
    if (fds.empty() || fds.size() > kMaxPassed) return false;
    iovec bytes{const_cast<void*>(data), size};
    alignas(cmsghdr) Control control{};
    msghdr msg = message(bytes, control);
    msg.msg_controllen = CMSG_SPACE(fds.size_bytes());
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(fds.size_bytes());
    std::memcpy(CMSG_DATA(c), fds.data(), fds.size_bytes());
    ssize_t n;
    do {
        n = ::sendmsg(socket, &msg, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(size);
}

bool receive_with_fds(int socket, void* data, std::size_t size, std::span<int, kMaxPassed> fds,
                      std::size_t& count, int flags) noexcept {
    iovec bytes{data, size};
    alignas(cmsghdr) Control control{};
    msghdr msg = message(bytes, control);
    ssize_t n;
    do {
        n = ::recvmsg(socket, &msg, flags);
    } while (n < 0 && errno == EINTR);
    const cmsghdr* c = CMSG_FIRSTHDR(&msg);
    if (n != static_cast<ssize_t>(size) || (msg.msg_flags & MSG_CTRUNC) || !c ||
        c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
        return false;
    count = std::min<std::size_t>((c->cmsg_len - CMSG_LEN(0)) / sizeof(int), fds.size());
    std::memcpy(fds.data(), CMSG_DATA(c), count * sizeof(int));
    return true;
}

} // namespace glimmer::pixbuf
