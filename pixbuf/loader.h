// One load of a PCX or DCX file (a DCX's first page): the bytes gathered as they come, within
// the read limit of glimmer-pcx, and decoded once they are all there.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pcx/decode.h"
#include "pixbuf/rows.h"

namespace glimmer::pixbuf {

struct Callbacks {
    GdkPixbufModuleSizeFunc size = nullptr;
    GdkPixbufModulePreparedFunc prepared = nullptr;
    GdkPixbufModuleUpdatedFunc updated = nullptr;
    gpointer user_data = nullptr;
};

class Loader {
  public:
    explicit Loader(Callbacks callbacks = {},
                    std::size_t max_file_bytes = pcx::kMaxFileBytes) noexcept
        : m_callbacks(callbacks), m_max_file_bytes(max_file_bytes) {}

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
    bool grow(std::size_t more, GError** error);
    // Marks the load failed for good; false.
    bool failed() noexcept;
    static bool fail_again(GError** error) noexcept;
    [[nodiscard]] std::span<const std::uint8_t> first_page(pcx::Status& status) const;
    bool judge(std::span<const std::uint8_t> page, GError** error) noexcept;
    bool decode(std::span<const std::uint8_t> page, GError** error);

    Callbacks m_callbacks;
    std::size_t m_max_file_bytes;
    std::vector<std::uint8_t> m_bytes;
    bool m_judged = false;  // the header was judged and the size asked
    bool m_stopped = false; // the size callback asked for no picture
    bool m_failed = false;  // a write failed: nothing more is taken, no picture is made
    std::optional<PixbufRows::Size> m_size;
    PixbufPtr m_pixbuf;
};

} // namespace glimmer::pixbuf
