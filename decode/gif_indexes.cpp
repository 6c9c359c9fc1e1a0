#include "decode/gif_indexes.h"

#include <array>
#include <cstdint>
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

// LZW codes of `data` into `out` (one index a pixel), at most `limit`; false when the stream is
// damaged.
bool unpack(const QByteArray& data, int minBits, std::size_t limit,
            std::vector<std::uint8_t>& out) {
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

} // namespace

QImage gifIndexes(const QByteArray& file) {
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
        QList<QRgb> table = f & 0x80 ? in.table(f) : global;
        if (transparent >= 0 && transparent < table.size())
            table[transparent] &= 0x00FFFFFFu; // what a mask takes; its colour stays
        const int minBits = in.u8();
        QByteArray data;
        if (table.isEmpty() || !in.blocks(&data)) return {};
        const std::size_t pixels = std::size_t(w) * h;
        // Memory grows with what the codes really give, so a small file that claims a large
        // picture costs little; beyond Qt's own limit for pictures it is left to Qt to refuse.
        if (minBits < 2 || pixels > kMaxPixels) return {};
        std::vector<std::uint8_t> indexes;
        if (!unpack(data, minBits, pixels, indexes) || indexes.size() != pixels) return {};
        for (const std::uint8_t i : indexes)
            if (i >= table.size()) return {};
        QImage image(w, h, QImage::Format_Indexed8);
        if (image.isNull()) return {};
        image.setColorTable(table);
        // Interlaced frames store rows 0, 8, 16 ..., then 4, 12 ..., then 2, 6 ..., then odd ones.
        const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
        int row = 0;
        for (int pass = 0; pass < ((f & 0x40) ? 4 : 1); ++pass)
            for (int r = (f & 0x40) ? starts[pass] : 0; r < h; r += (f & 0x40) ? steps[pass] : 1)
                std::copy_n(indexes.data() + std::size_t(row++) * w, w, image.scanLine(r));
        return image;
    }
}

} // namespace glimmer
