// Fuzz target for the GdkPixbuf loader module, through its vtable as GdkPixbuf calls it: the
// file read whole by load(), and fed to begin_load/load_increment/stop_load in small pieces
// whose sizes come from the input, at the picture's size and, on some inputs, with a size
// callback that asks for a smaller picture or for none. Both ways must agree, a failure must
// say why and a success must not, and a smaller size asked must be the size given.
// Pictures the header claims above a million pixels are left to pcx_fuzz: here they cost
// seconds each and the module's own code runs alike for every size.
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "pcx/header.h"

extern "C" void fill_vtable(GdkPixbufModule* module);

namespace {

enum class Ask { Full, Half, Nothing };

struct Seen {
    Ask ask = Ask::Full;
    int asked_width = 0;
    int asked_height = 0;
    GdkPixbuf* pixbuf = nullptr;
    int updates = 0;
};

void require(bool ok) {
    if (!ok) std::abort();
}

void size_func(int* width, int* height, gpointer data) {
    auto* seen = static_cast<Seen*>(data);
    require(*width > 0 && *height > 0);
    if (seen->ask == Ask::Nothing) *width = *height = 0;
    if (seen->ask == Ask::Half) {
        *width = (*width + 1) / 2;
        *height = (*height + 1) / 2;
    }
    seen->asked_width = *width;
    seen->asked_height = *height;
}

void prepared(GdkPixbuf* pixbuf, GdkPixbufAnimation*, gpointer data) {
    auto* seen = static_cast<Seen*>(data);
    require(seen->pixbuf == nullptr);
    seen->pixbuf = GDK_PIXBUF(g_object_ref(pixbuf));
}

void updated(GdkPixbuf* pixbuf, int, int, int, int, gpointer data) {
    auto* seen = static_cast<Seen*>(data);
    require(pixbuf == seen->pixbuf);
    ++seen->updates;
}

const GdkPixbufModule& module() {
    static const GdkPixbufModule m = [] {
        GdkPixbufModule v{};
        fill_vtable(&v);
        return v;
    }();
    return m;
}

// The file fed in pieces; the pixbuf made (owned by the caller) or nullptr with `error` set.
GdkPixbuf* load_in_pieces(std::span<const std::uint8_t> file, Ask ask, GError** error) {
    Seen seen{ask};
    gpointer context = module().begin_load(size_func, prepared, updated, &seen, error);
    require(context != nullptr);
    bool ok = true;
    for (std::size_t at = 0, i = 0; ok && at < file.size(); ++i) {
        const std::size_t piece =
            std::min<std::size_t>(1 + file[i % file.size()] % 61, file.size() - at);
        ok = module().load_increment(context, file.data() + at, static_cast<guint>(piece), error);
        at += piece;
    }
    ok = module().stop_load(context, ok ? error : nullptr) && ok;
    require(ok == (*error == nullptr));
    if (!ok || ask == Ask::Nothing) {
        require(seen.pixbuf == nullptr || ok);
        if (seen.pixbuf) g_object_unref(seen.pixbuf);
        return nullptr;
    }
    require(seen.pixbuf != nullptr && seen.updates == 1);
    if (ask == Ask::Half)
        require(gdk_pixbuf_get_width(seen.pixbuf) == seen.asked_width &&
                gdk_pixbuf_get_height(seen.pixbuf) == seen.asked_height);
    return seen.pixbuf;
}

bool same_pixels(GdkPixbuf* a, GdkPixbuf* b) {
    const int height = gdk_pixbuf_get_height(a);
    const auto row = static_cast<std::size_t>(gdk_pixbuf_get_width(a)) *
                     static_cast<std::size_t>(gdk_pixbuf_get_n_channels(a));
    if (gdk_pixbuf_get_width(b) != gdk_pixbuf_get_width(a) || gdk_pixbuf_get_height(b) != height ||
        gdk_pixbuf_get_n_channels(b) != gdk_pixbuf_get_n_channels(a))
        return false;
    for (int y = 0; y < height; ++y)
        if (std::memcmp(gdk_pixbuf_get_pixels(a) + y * gdk_pixbuf_get_rowstride(a),
                        gdk_pixbuf_get_pixels(b) + y * gdk_pixbuf_get_rowstride(b), row) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::span<const std::uint8_t> file(data, size);
    const pcx::PcxHeader header = pcx::PcxHeader::parse(file);
    if ((header.xmax - header.xmin + 1L) * (header.ymax - header.ymin + 1L) > 1'000'000L) return 0;
    FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    require(f != nullptr);
    GError* whole_error = nullptr;
    GdkPixbuf* whole = module().load(f, &whole_error);
    std::fclose(f);
    require((whole == nullptr) == (whole_error != nullptr));

    GError* pieces_error = nullptr;
    GdkPixbuf* pieces = load_in_pieces(file, Ask::Full, &pieces_error);
    require((whole == nullptr) == (pieces == nullptr));
    if (whole)
        require(same_pixels(whole, pieces));
    else
        require(std::strcmp(whole_error->message, pieces_error->message) == 0);

    const Ask ask = data[size - 1] % 3 == 0 ? Ask::Nothing : Ask::Half;
    GError* asked_error = nullptr;
    GdkPixbuf* asked = load_in_pieces(file, ask, &asked_error);
    require(whole != nullptr || asked_error != nullptr || ask == Ask::Nothing);
    require(asked == nullptr || whole != nullptr);
    for (GdkPixbuf* p : {whole, pieces, asked})
        if (p) g_object_unref(p);
    for (GError* e : {whole_error, pieces_error, asked_error})
        if (e) g_error_free(e);
    return 0;
}
