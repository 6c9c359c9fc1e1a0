#include "decode/gif_indexes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace glimmer {
namespace {

constexpr int kMaxCodes = 4096;
constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

class Bytes {
  public:
    explicit Bytes(const QByteArray& b) : m_b(b) {}
    bool has(qsizetype n) const { return m_pos + n <= m_b.size(); }
    int u8() { return has(1) ? std::uint8_t(m_b[m_pos++]) : -1; }
    int u16() {
        const int lo = u8(), hi = u8();
        return lo < 0 || hi < 0 ? -1 : lo | hi << 8;
    }
    bool skip(qsizetype n) {
        if (!has(n)) return false;
        m_pos += n;
        return true;
    }
    // Sub-blocks up to the empty one, appended to `out` unless null.
    bool blocks(QByteArray* out) {
        for (int n; (n = u8()) != 0;) {
            if (n < 0 || !has(n)) return false;
            if (out) out->append(m_b.constData() + m_pos, n);
            m_pos += n;
        }
        return true;
    }
    QList<QRgb> table(int flags) {
        QList<QRgb> colours;
        const int n = 2 << (flags & 7);
        if (!has(3 * n)) return {};
        for (int i = 0; i < n; ++i) {
            const int r = u8(), g = u8(), b = u8();
            colours.append(qRgb(r, g, b));
        }
        return colours;
    }

  private:
    const QByteArray& m_b;
    qsizetype m_pos = 0;
};

// Takes a frame's indexes as they are unpacked and hands on each row once it is whole.
class RowsOut {
  public:
    RowsOut(int width, std::function<void(int, const std::uint8_t*)> row)
        : m_row(static_cast<std::size_t>(width)), m_put(std::move(row)) {}
    std::size_t size() const { return m_done * m_row.size() + m_at; }
    void push_back(std::uint8_t index) {
        m_row[m_at++] = index;
        if (m_at < m_row.size()) return;
        m_at = 0;
        if (m_put) m_put(static_cast<int>(m_done), m_row.data());
        ++m_done;
    }

  private:
    std::vector<std::uint8_t> m_row;
    std::size_t m_at = 0, m_done = 0;
    std::function<void(int, const std::uint8_t*)> m_put;
};

// LZW codes of `data` into `out` (one index a pixel), at most `limit`; false when the stream is
// damaged.
bool unpack(const QByteArray& data, int minBits, std::size_t limit, RowsOut& out) {
    if (minBits < 2 || minBits > 8) return false;
    const int clear = 1 << minBits, end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{}, first{};
    std::array<std::uint8_t, kMaxCodes + 1> stack{};
    for (int i = 0; i < clear; ++i)
        suffix[i] = first[i] = std::uint8_t(i);
    int bits = minBits + 1, next = end + 1, previous = -1;
    std::uint32_t buffer = 0;
    int held = 0;
    for (const char byte : data) {
        buffer |= std::uint32_t(std::uint8_t(byte)) << held;
        held += 8;
        while (held >= bits) {
            const int code = int(buffer & ((1u << bits) - 1));
            buffer >>= bits;
            held -= bits;
            if (code == clear) {
                bits = minBits + 1, next = end + 1, previous = -1;
                continue;
            }
            if (code == end || out.size() >= limit) return true;
            if (previous < 0) {
                if (code >= clear) return false;
                out.push_back(std::uint8_t(code));
                previous = code;
                continue;
            }
            if (code > next || (code == next && next >= kMaxCodes)) return false;
            const int known = code < next ? code : previous;
            int depth = 0;
            if (code == next) stack[depth++] = first[previous];
            for (int c = known; c >= clear; c = prefix[c])
                stack[depth++] = suffix[c];
            stack[depth++] = suffix[first[known]];
            while (depth > 0 && out.size() < limit)
                out.push_back(stack[--depth]);
            if (next < kMaxCodes) {
                prefix[next] = std::uint16_t(previous);
                suffix[next] = first[known];
                first[next] = first[previous];
                ++next;
                if (next == 1 << bits && bits < 12) ++bits;
            }
            previous = code;
        }
    }
    return true;
}

// The first frame: its place, colour table and (when asked) its LZW data.
struct GifFrame {
    int width = 0, height = 0;
    bool interlaced = false;
    int minBits = 0;
    QList<QRgb> table;
    QByteArray data;
};

std::optional<GifFrame> firstFrame(const QByteArray& file, bool withData) {
    if (!file.startsWith("GIF87a") && !file.startsWith("GIF89a")) return {};
    Bytes in(file);
    in.skip(6);
    const int width = in.u16(), height = in.u16(), flags = in.u8();
    if (!in.skip(2) || width <= 0 || height <= 0) return {};
    const QList<QRgb> global = flags & 0x80 ? in.table(flags) : QList<QRgb>();
    int transparent = -1;
    for (;;) {
        const int block = in.u8();
        if (block == 0x21) { // an extension: its label, then sub-blocks
            const int label = in.u8();
            QByteArray control;
            if (label < 0 || !in.blocks(&control)) return {};
            // A graphic control extension may name the index that stays transparent.
            if (label == 0xF9 && control.size() >= 4 && (control[0] & 1))
                transparent = std::uint8_t(control[3]);
            continue;
        }
        if (block != 0x2C) return {};
        const int x = in.u16(), y = in.u16(), w = in.u16(), h = in.u16(), f = in.u8();
        if (f < 0 || x != 0 || y != 0 || w != width || h != height) return {};
        GifFrame frame{w, h, (f & 0x40) != 0, 0, f & 0x80 ? in.table(f) : global, {}};
        if (transparent >= 0 && transparent < frame.table.size())
            frame.table[transparent] &= 0x00FFFFFFu; // what a mask takes; its colour stays
        if (frame.table.isEmpty()) return {};
        if (withData && ((frame.minBits = in.u8()) < 2 || !in.blocks(&frame.data))) return {};
        // Beyond Qt's own limit for pictures it is left to Qt to refuse.
        if (std::size_t(w) * std::size_t(h) > kMaxPixels) return {};
        return frame;
    }
}

// Unpacks the frame's rows, in the order stored, to `row`; false when the stream is damaged,
// falls short or indexes past the table.
bool unpackRows(const GifFrame& frame, const std::function<void(int, const std::uint8_t*)>& row) {
    const auto entries = static_cast<std::uint8_t>(frame.table.size() - 1);
    bool inTable = true;
    RowsOut out(frame.width, [&](int y, const std::uint8_t* indexes) {
        for (int x = 0; x < frame.width; ++x)
            inTable = inTable && indexes[x] <= entries;
        if (row) row(y, indexes);
    });
    const std::size_t pixels = std::size_t(frame.width) * std::size_t(frame.height);
    return unpack(frame.data, frame.minBits, pixels, out) && out.size() == pixels && inTable;
}

// Where stored row `n` of an interlaced frame goes: rows 0, 8, 16 ..., then 4, 12 ..., then
// 2, 6 ..., then the odd ones.
int displayRow(int n, int height) {
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = (height - starts[pass] + steps[pass] - 1) / steps[pass];
        if (n < rows) return starts[pass] + n * steps[pass];
        n -= rows;
    }
    return height - 1;
}

} // namespace

QList<QRgb> gifPalette(const QByteArray& file) {
    const auto frame = firstFrame(file, false);
    return frame ? frame->table : QList<QRgb>();
}

QImage gifIndexes(const QByteArray& file) {
    const auto frame = firstFrame(file, true);
    if (!frame) return {};
    QImage image(frame->width, frame->height, QImage::Format_Indexed8);
    if (image.isNull()) return {};
    const bool interlaced = frame->interlaced;
    const bool whole = unpackRows(*frame, [&](int n, const std::uint8_t* indexes) {
        const int y = interlaced ? displayRow(n, image.height()) : n;
        std::copy_n(indexes, image.width(), image.scanLine(y));
    });
    if (!whole) return {};
    image.setColorTable(frame->table);
    return image;
}

GifRows gifRows(const QByteArray& file, pcx::RowSink& sink) {
    const auto frame = firstFrame(file, true);
    if (!frame || frame->interlaced) return GifRows::NotStreamed;
    // Checked whole first, so that a frame that falls back to Qt's reader hands on no row.
    if (!unpackRows(*frame, {})) return GifRows::NotStreamed;
    pcx::Image shape;
    shape.format = pcx::PixelFormat::Indexed8;
    shape.width = frame->width;
    shape.height = frame->height;
    shape.stride = static_cast<std::size_t>(frame->width);
    shape.colour_count = static_cast<int>(frame->table.size());
    std::copy(frame->table.begin(), frame->table.end(), shape.colours.begin());
    if (sink.start(shape))
        (void)unpackRows(*frame, [&](int y, const std::uint8_t* indexes) { sink.row(y, indexes); });
    return GifRows::Streamed;
}

} // namespace glimmer
