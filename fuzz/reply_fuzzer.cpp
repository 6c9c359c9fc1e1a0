// Fuzz target for what the GdkPixbuf module reads back from its decoding process: any bytes a
// compromised decoder could write. A reply taken is exactly one well-formed answer, whose every
// field is within its range, and it is the bytes it came from: nothing is read loosely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pixbuf/reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto reply = glimmer::pixbuf::parse_reply({data, size});
    if (!reply) return 0;
    const auto again = glimmer::pixbuf::encode(*reply);
    if (size != again.size() || std::memcmp(data, again.data(), size) != 0) std::abort();
    const auto& h = reply->header;
    if (h.width < 0 || h.width > 32767 || h.height < 0 || h.height > 32767) std::abort();
    return 0;
}
