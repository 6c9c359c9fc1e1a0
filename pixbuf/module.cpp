// The GdkPixbuf loader module "pcx": its two exported entry points and the vtable. Every entry
// point catches everything, so no exception reaches the host program.
#include <cerrno>
#include <cstdio>
#include <new>
#include <vector>

#include "pixbuf/failure.h"
#include "pixbuf/loader.h"

namespace glimmer::pixbuf {
namespace {

GdkPixbuf* load(FILE* f, GError** error) {
    try {
        Loader loader(make_backend());
        std::vector<std::uint8_t> chunk(std::size_t{1} << 16);
        while (true) {
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), f);
            if (got == 0) break;
            if (!loader.feed({chunk.data(), got}, error)) return nullptr;
        }
        if (std::ferror(f)) {
            set_read_error(error, errno != 0 ? errno : EIO);
            return nullptr;
        }
        return loader.finish(error) ? loader.take().release() : nullptr;
    } catch (const std::bad_alloc&) {
        set_memory_error(error);
    } catch (...) {
        set_internal_error(error);
    }
    return nullptr;
}

gpointer begin_load(GdkPixbufModuleSizeFunc size, GdkPixbufModulePreparedFunc prepared,
                    GdkPixbufModuleUpdatedFunc updated, gpointer user_data, GError** error) {
    try {
        return new Loader(make_backend(), {size, prepared, updated, user_data});
    } catch (...) {
        set_memory_error(error);
        return nullptr;
    }
}

gboolean load_increment(gpointer context, const guchar* buf, guint size, GError** error) {
    return static_cast<Loader*>(context)->feed({buf, size}, error);
}

gboolean stop_load(gpointer context, GError** error) {
    auto* loader = static_cast<Loader*>(context);
    const bool done = loader->finish(error);
    delete loader;
    return done;
}

// GdkPixbuf's format tables hold strings as char*, never written.
constexpr char* text(const char* s) {
    return const_cast<char*>(s);
}

// Each version byte, with either encoding byte and any bit depth but 0: other formats that
// start with 10 (a TGA file with a 10-byte ID) have 0 or a type above 1 there. "\n" is 10.
GdkPixbufModulePattern signatures[] = {
    {text("\nx\x01x"), text(" z n"), 80},
    {text("\nxxx"), text(" zzn"), 80},
    {text("\n\x02\x01x"), text("   n"), 80},
    {text("\n\x02xx"), text("  zn"), 80},
    {text("\n\x03\x01x"), text("   n"), 80},
    {text("\n\x03xx"), text("  zn"), 80},
    {text("\n\x04\x01x"), text("   n"), 80},
    {text("\n\x04xx"), text("  zn"), 80},
    {text("\n\x05\x01x"), text("   n"), 80},
    {text("\n\x05xx"), text("  zn"), 80},
    {text("\xb1\x68\xde\x3a"), nullptr, 100}, // DCX's 987654321
    {nullptr, nullptr, 0},
};
char* mime_types[] = {text("image/x-pcx"), text("image/vnd.zbrush.pcx"), text("image/x-dcx"),
                      nullptr};
char* extensions[] = {text("pcx"), text("dcx"), nullptr};

} // namespace
} // namespace glimmer::pixbuf

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
    module->load = glimmer::pixbuf::load;
    module->begin_load = glimmer::pixbuf::begin_load;
    module->load_increment = glimmer::pixbuf::load_increment;
    module->stop_load = glimmer::pixbuf::stop_load;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
    info->name = glimmer::pixbuf::text("pcx");
    info->signature = glimmer::pixbuf::signatures;
    info->description = glimmer::pixbuf::text("PCX and DCX pictures");
    info->mime_types = glimmer::pixbuf::mime_types;
    info->extensions = glimmer::pixbuf::extensions;
    info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
    info->license = glimmer::pixbuf::text("GPL");
}
}
