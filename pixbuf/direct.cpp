// Decoding in the host's own process: what the fuzz target drives, and what the measurements
// of confinement's cost compare with. Never the installed module's.
#include <algorithm>
#include <new>
#include <vector>

#include "pcx/decode.h"
#include "pixbuf/backend.h"
#include "pixbuf/failure.h"

namespace glimmer::pixbuf {
namespace {

class Direct final : public Backend {
  public:
    bool append(std::span<const std::uint8_t> bytes, GError** error) override {
        try {
            const std::size_t need = m_bytes.size() + bytes.size();
            // Doubling, but never past the limit: the buffer stays within what the file brings.
            if (need > m_bytes.capacity())
                m_bytes.reserve(
                    std::min(pcx::kMaxFileBytes, std::max(need, 2 * m_bytes.capacity())));
            m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
            return true;
        } catch (const std::bad_alloc&) {
            set_memory_error(error);
            return false;
        }
    }

    bool judge_start(Header& out, GError** error) override {
        return judged(
            pixbuf::judge({m_bytes.data(), std::min(m_bytes.size(), kJudgedBytes)}, false, out),
            error);
    }

    PixbufPtr load(const Decide& decide, const Made& made, GError** error) override {
        Header header;
        if (!judged(pixbuf::judge(m_bytes, true, header), error)) return nullptr;
        const Decision d = decide(header);
        if (d.stop) return nullptr;
        class Maker final : public CanvasMaker {
          public:
            explicit Maker(const Made& made) : m_made(made) {}
            const Canvas* make(int width, int height, int channels) noexcept override {
                pixbuf.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, channels == 4, 8, width, height));
                if (!pixbuf) return nullptr;
                m_made(pixbuf.get());
                m_canvas = canvas_of(pixbuf.get());
                return &m_canvas;
            }
            PixbufPtr pixbuf;

          private:
            const Made& m_made;
            Canvas m_canvas;
        } maker(made);
        const Decoded decoded = decode_into(m_bytes, d.width, d.height, maker);
        if (decoded.drawn) return std::move(maker.pixbuf);
        if (decoded.status != pcx::Status::Ok)
            set_status_error(error, decoded.status);
        else
            set_internal_error(error);
        return nullptr;
    }

    void drop() noexcept override { m_bytes = {}; }

  private:
    static bool judged(pcx::Status status, GError** error) {
        if (status == pcx::Status::Ok) return true;
        set_status_error(error, status);
        return false;
    }

    std::vector<std::uint8_t> m_bytes;
};

} // namespace

std::unique_ptr<Backend> make_backend() {
    return std::make_unique<Direct>();
}

} // namespace glimmer::pixbuf
