// The decoding process's answers to the host, a fixed 24 bytes each: what the header says, that
// it is ready to draw, how the decode ended, or that it could not confine itself. The host
// reads them as untrusted bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "pcx/status.h"
#include "pixbuf/decoding.h"

namespace glimmer::pixbuf {

struct Reply {
    enum class Kind : std::uint8_t {
        Judged = 1,      // status, and header when Ok
        Decoded = 2,     // status; Ok: every row is in the canvas
        NoCanvas = 3,    // the decode succeeded but had no canvas to draw in
        NotConfined = 4, // error: the errno of the step that failed
        Ready = 5,       // the file was checked: a canvas of header's size and alpha, please
    };
    Kind kind = Kind::Judged;
    pcx::Status status = pcx::Status::Ok;
    Header header;
    int error = 0;
    // The memory limit it ran under, in MiB (0: none); what an OutOfMemory status comes to.
    std::uint32_t limit_mib = 0;
    // The process ends with this job; else it waits for the next once the answers' pipe closes.
    bool ending = true;
};

inline constexpr std::size_t kReplyBytes = 24;

// The limits a decoding process runs under: CPU time it may use (it confines itself to it), the
// wall-clock time the host waits for it, and the memory it may take beyond the file and the
// canvas it was given (what the decoder's rows and the process itself need).
inline constexpr unsigned kCpuSeconds = 15;
inline constexpr unsigned kWallSeconds = 30;
inline constexpr unsigned kMarginMib = 32;

// The program, installed beside the module.
inline constexpr const char* kDecoderName = "glimmer-pcx-decoder";

[[nodiscard]] std::array<std::uint8_t, kReplyBytes> encode(const Reply& reply) noexcept;

// The reply the bytes hold, or nullopt unless they are exactly one well-formed reply.
[[nodiscard]] std::optional<Reply> parse_reply(std::span<const std::uint8_t> bytes) noexcept;

} // namespace glimmer::pixbuf
