// One load of a PCX or DCX file (a DCX's first page): the bytes gathered as they come, within
// the read limit of glimmer-pcx, judged and decoded once they are all there by the backend (a
// confined process, in the module). A file still coming past kEarlyBytes has its header judged
// on its own first, so that a program that asks only the size reads no further.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "pcx/decode.h"
#include "pixbuf/backend.h"

namespace glimmer::pixbuf {

inline constexpr std::size_t kEarlyBytes = std::size_t{1} << 20;

struct Callbacks {
    GdkPixbufModuleSizeFunc size = nullptr;
    GdkPixbufModulePreparedFunc prepared = nullptr;
    GdkPixbufModuleUpdatedFunc updated = nullptr;
    gpointer user_data = nullptr;
};

class Loader {
  public:
    explicit Loader(std::unique_ptr<Backend> backend, Callbacks callbacks = {},
                    std::size_t max_file_bytes = pcx::kMaxFileBytes) noexcept
        : m_backend(std::move(backend)), m_callbacks(callbacks), m_max_file_bytes(max_file_bytes) {}

    // Takes the next bytes; false with `error` set when the file is refused or too long, and
    // from then on for every call, finish() too.
    bool feed(std::span<const std::uint8_t> bytes, GError** error) noexcept;
    // Decodes what was fed and hands the pixbuf to the callbacks; false with `error` set when
    // it cannot be decoded. A size of 0 asked by the size callback ends the load with no
    // picture and no error.
    bool finish(GError** error) noexcept;
    // The pixbuf finish() made, for a load that has no callbacks.
    [[nodiscard]] PixbufPtr take() noexcept { return std::move(m_pixbuf); }

  private:
    bool keep(std::span<const std::uint8_t> bytes, GError** error);
    // Marks the load failed for good; false.
    bool failed() noexcept;
    static bool fail_again(GError** error) noexcept;
    bool judge_start(GError** error);
    // What the program wants of a picture with this header: asks the size callback.
    Decision decide(const Header& header);
    bool load(GError** error);

    std::unique_ptr<Backend> m_backend;
    Callbacks m_callbacks;
    std::size_t m_max_file_bytes;
    std::size_t m_kept = 0;
    std::optional<Decision> m_decided; // judged before the file was whole, and the size asked
    bool m_whole = false;              // a DCX file: judged once it is whole
    bool m_failed = false;             // a write failed: nothing more is taken, no picture is made
    PixbufPtr m_pixbuf;
};

} // namespace glimmer::pixbuf
