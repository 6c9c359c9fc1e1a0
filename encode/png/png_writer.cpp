#include "png/png_writer.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace glimmer {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                           std::uint8_t(v)});
}

void put32(QByteArray& out, std::uint32_t v) {
    const char b[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

void chunk(QByteArray& out, const char* type, const std::uint8_t* data, std::size_t size) {
    put32(out, static_cast<std::uint32_t>(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    if (size > 0) out.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    put32(out, libdeflate_crc32(0, out.constData() + start,
                                static_cast<std::size_t>(out.size() - start)));
}

// A chunk holds less than 2 GiB; data chunks of 1 MiB are what readers expect.
constexpr std::size_t kChunk = std::size_t{1} << 20;

void idat(QByteArray& out, const Bytes& data) {
    for (std::size_t at = 0; at < data.size(); at += kChunk)
        chunk(out, "IDAT", data.data() + at, std::min(kChunk, data.size() - at));
}

std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Writes row `cur` filtered with `type` (0 none .. 4 Paeth) into `out`; `prev` is the row
// above (zeros for the first), `bpp` the bytes of one pixel.
void filterRow(int type, const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n,
               std::size_t bpp, std::uint8_t* out) {
    for (std::size_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0;
        const int b = prev[i];
        const int c = i >= bpp ? prev[i - bpp] : 0;
        int pred = 0;
        switch (type) {
        case 1:
            pred = a;
            break;
        case 2:
            pred = b;
            break;
        case 3:
            pred = (a + b) / 2;
            break;
        case 4:
            pred = paeth(a, b, c);
            break;
        default:
            break;
        }
        out[i] = static_cast<std::uint8_t>(cur[i] - pred);
    }
}

// libpng's heuristic: bytes read as signed, the least sum of magnitudes wins.
std::uint64_t cost(const std::uint8_t* row, std::size_t n) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(row[i])));
    return sum;
}

// The image's rows as PNG samples: palette indexes, RGB or RGBA.
class RowSource {
  public:
    explicit RowSource(const QImage& image) : m_image(image) {
        // Two-colour pictures stay a bit a pixel, the most significant bit leftmost.
        if (image.format() == QImage::Format_MonoLSB)
            m_image = image.convertToFormat(QImage::Format_Mono);
        m_bits = m_image.format() == QImage::Format_Mono ? 1 : 8;
        m_indexed = m_bits == 1 || m_image.format() == QImage::Format_Indexed8;
        m_alpha = !m_indexed && image.hasAlphaChannel();
        m_bpp = m_indexed ? 1 : m_alpha ? 4 : 3;
        m_row.resize(m_bits == 1 ? (static_cast<std::size_t>(image.width()) + 7) / 8
                                 : static_cast<std::size_t>(image.width()) * m_bpp);
        if (!m_indexed && image.format() != QImage::Format_RGB32 &&
            image.format() != QImage::Format_ARGB32)
            m_image = image.convertToFormat(m_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (m_image.isNull()) throw std::bad_alloc();
    }
    [[nodiscard]] bool indexed() const { return m_indexed; }
    [[nodiscard]] std::uint8_t bitDepth() const { return static_cast<std::uint8_t>(m_bits); }
    [[nodiscard]] std::uint8_t colourType() const { return m_indexed ? 3 : m_alpha ? 6 : 2; }
    [[nodiscard]] std::size_t bpp() const { return m_bpp; }
    [[nodiscard]] std::size_t rowBytes() const { return m_row.size(); }
    const std::uint8_t* row(int y) {
        if (m_indexed) return m_image.constScanLine(y);
        const auto* px = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        std::uint8_t* o = m_row.data();
        for (int x = 0; x < m_image.width(); ++x) {
            *o++ = static_cast<std::uint8_t>(qRed(px[x]));
            *o++ = static_cast<std::uint8_t>(qGreen(px[x]));
            *o++ = static_cast<std::uint8_t>(qBlue(px[x]));
            if (m_alpha) *o++ = static_cast<std::uint8_t>(qAlpha(px[x]));
        }
        return m_row.data();
    }

  private:
    QImage m_image;
    int m_bits = 8;
    bool m_indexed = false, m_alpha = false;
    std::size_t m_bpp = 3;
    Bytes m_row;
};

// Rows first..last-1 with their filter bytes in front, as the IDAT data wants them.
Bytes filtered(RowSource& rows, int first, int last, PngFilter filter) {
    const std::size_t n = rows.rowBytes(), bpp = rows.bpp();
    Bytes out((n + 1) * static_cast<std::size_t>(last - first));
    Bytes prev(n, 0), cur(n);
    if (first > 0) {
        const std::uint8_t* above = rows.row(first - 1);
        prev.assign(above, above + n);
    }
    std::array<Bytes, 5> trial;
    if (filter == PngFilter::Adaptive)
        for (Bytes& t : trial)
            t.resize(n);
    for (int y = first; y < last; ++y) {
        const std::uint8_t* src = rows.row(y);
        cur.assign(src, src + n);
        std::uint8_t* dst = out.data() + (n + 1) * static_cast<std::size_t>(y - first);
        int type = filter == PngFilter::Up ? 2 : filter == PngFilter::Paeth ? 4 : 0;
        if (filter == PngFilter::Adaptive) {
            std::uint64_t best = UINT64_MAX;
            for (int t = 0; t < 5; ++t) {
                filterRow(t, cur.data(), prev.data(), n, bpp, trial[t].data());
                if (const std::uint64_t c = cost(trial[t].data(), n); c < best) best = c, type = t;
            }
            std::copy(trial[type].begin(), trial[type].end(), dst + 1);
        } else {
            filterRow(type, cur.data(), prev.data(), n, bpp, dst + 1);
        }
        dst[0] = static_cast<std::uint8_t>(type);
        prev.swap(cur);
    }
    return out;
}

Bytes compressed(const Bytes& data, int level) {
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> c(
        libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    if (!c) throw std::bad_alloc();
    Bytes out(libdeflate_zlib_compress_bound(c.get(), data.size()));
    out.resize(libdeflate_zlib_compress(c.get(), data.data(), data.size(), out.data(), out.size()));
    return out;
}

// Auto: bands of rows across the picture, filtered both ways and compressed quickly; the way
// that came out smaller is used for the whole picture. Pictures with flat areas and repeated
// texture compress best unfiltered, smooth shading best with the adaptive filters.
PngFilter choose(RowSource& rows, int height) {
    constexpr int kBand = 8, kEvery = 128;
    std::size_t size[2] = {0, 0};
    const PngFilter ways[2] = {PngFilter::None, PngFilter::Adaptive};
    for (int w = 0; w < 2; ++w)
        for (int y = 0; y < height; y += kEvery)
            size[w] +=
                compressed(filtered(rows, y, std::min(height, y + kBand), ways[w]), 1).size();
    return size[0] <= size[1] ? PngFilter::None : PngFilter::Adaptive;
}

void compressInBands(QByteArray& out, RowSource& rows, int height, PngFilter filter, int level) {
    z_stream z{};
    if (deflateInit(&z, std::clamp(level, 1, 9)) != Z_OK) throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&z, &deflateEnd);
    const int band = std::max<int>(1, static_cast<int>(kChunk / (rows.rowBytes() + 1)));
    Bytes compressed(kChunk);
    for (int y = 0; y < height;) {
        const int next = std::min(height, y + band);
        const Bytes data = filtered(rows, y, next, filter);
        y = next;
        z.next_in = const_cast<std::uint8_t*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        const int flush = y < height ? Z_NO_FLUSH : Z_FINISH;
        int rc = Z_OK;
        do {
            z.next_out = compressed.data();
            z.avail_out = static_cast<uInt>(compressed.size());
            rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) throw std::bad_alloc();
            if (const std::size_t made = compressed.size() - z.avail_out; made > 0)
                chunk(out, "IDAT", compressed.data(), made);
        } while (rc != Z_STREAM_END && (z.avail_out == 0 || flush == Z_FINISH));
    }
}

QByteArray png(const QImage& image, const PngOptions& options) {
    RowSource rows(image);
    PngFilter filter = rows.indexed() ? options.indexedFilter : options.colourFilter;
    if (filter == PngFilter::Auto) filter = choose(rows, image.height());
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    Bytes ihdr;
    put32(ihdr, static_cast<std::uint32_t>(image.width()));
    put32(ihdr, static_cast<std::uint32_t>(image.height()));
    ihdr.insert(ihdr.end(), {rows.bitDepth(), rows.colourType(), 0, 0, 0});
    chunk(out, "IHDR", ihdr.data(), ihdr.size());
    if (rows.indexed()) {
        // Every entry the bit depth can index, so that no index lies outside the palette.
        Bytes plte(rows.bitDepth() == 1 ? 6 : 768, 0);
        const QList<QRgb> table = image.colorTable();
        for (qsizetype i = 0; i < table.size() && 3 * i < qsizetype(plte.size()); ++i) {
            plte[3 * i] = static_cast<std::uint8_t>(qRed(table[i]));
            plte[3 * i + 1] = static_cast<std::uint8_t>(qGreen(table[i]));
            plte[3 * i + 2] = static_cast<std::uint8_t>(qBlue(table[i]));
        }
        chunk(out, "PLTE", plte.data(), plte.size());
        // The alpha of entries up to the last one that is not opaque (a GIF's transparent
        // entry, a TGA map's alpha).
        Bytes trns;
        for (qsizetype i = 0; i < table.size() && 3 * i < qsizetype(plte.size()); ++i)
            trns.push_back(static_cast<std::uint8_t>(qAlpha(table[i])));
        while (!trns.empty() && trns.back() == 255)
            trns.pop_back();
        if (!trns.empty()) chunk(out, "tRNS", trns.data(), trns.size());
    }
    const std::size_t size = (rows.rowBytes() + 1) * static_cast<std::size_t>(image.height());
    if (size <= options.bandsAbove)
        idat(out, compressed(filtered(rows, 0, image.height(), filter), options.level));
    else
        compressInBands(out, rows, image.height(), filter, options.level);
    chunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace

QByteArray encodePng(const QImage& image, const PngOptions& options) {
    if (image.isNull()) return {};
    try {
        return png(image, options);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace glimmer
