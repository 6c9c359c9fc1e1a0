#include "cli/confined_thumbnail.h"

#include <QBuffer>
#include <QImageReader>
#include <QThread>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/convert.h"
#include "confine/child.h"
#include "decode/files.h"
#include "decode/picture_file.h"
#include "encode/thumbnail.h"

namespace glimmer::cli {
namespace {

constexpr unsigned kCpuSeconds = 15;
constexpr unsigned kWallSeconds = 30;
constexpr std::size_t kMiB = std::size_t{1} << 20;
// What decoding rows and Qt itself take beyond the file; Qt's readers (PNG, JPEG, ...) hold
// a whole picture, up to their allocation limit, and its converted copy.
constexpr std::size_t kMarginBytes = 64 * kMiB;

// How the child hands the thumbnail back: its shape, then its pixels.
struct Shape {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t format = 0;
};

std::size_t sharedBytes(int size) {
    return sizeof(Shape) + std::size_t(size) * std::size_t(size) * 4;
}

// Qt's readers load their plugins on first use; once confined, the child could not open them.
void loadReaders() {
    // Asked of nothing, some readers complain; nobody needs to hear it.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        QImageReader(&empty, format).canRead();
    }
    qInstallMessageHandler(previous);
}

// Qt scales and converts large pictures on a thread per core: their stacks count too.
std::size_t margin(PictureKind kind) {
    const std::size_t threads = std::size_t(std::max(1, QThread::idealThreadCount())) * 9 * kMiB;
    if (kind != PictureKind::Other) return kMarginBytes + threads;
    return kMarginBytes + threads + 2 * std::size_t(QImageReader::allocationLimit()) * kMiB;
}

// The child's work once confined: the thumbnail into `shared`, or why not on stderr.
int shrink(const QString& in, const ReadableFile& file, int size, void* shared, Io io) {
    const PictureFile source(file, in);
    if (source.table() != pcx::Status::Ok) return tellTable(in, source.table(), io);
    Shrinker shrinker(Framing::Longest, size);
    const PcxResult result = source.readRows(0, shrinker);
    if (!std::holds_alternative<Picture>(result)) return tellPage(in, source, 0, result, io);
    QImage image = shrinker.result();
    if (image.isNull()) return fail(io, in, Error(errc::OutOfMemory));
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const Shape shape{image.width(), image.height(), image.format()};
    std::memcpy(shared, &shape, sizeof shape);
    auto* pixels = static_cast<uchar*>(shared) + sizeof shape;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels + std::size_t(y) * image.width() * 4, image.constScanLine(y),
                    std::size_t(image.width()) * 4);
    return kDecoded;
}

[[noreturn]] void child(const QString& in, const ReadableFile& file, int size, void* shared,
                        Io io) {
    int status = kFailed;
    try {
        const PictureKind kind = pictureKind(file.readStart(qint64(pcx::kHeaderSize)), in);
        if (kind == PictureKind::Other) loadReaders();
        // One heap for every thread: a heap of its own reserves 64 MiB of address space each.
        ::mallopt(M_ARENA_MAX, 1);
        const std::size_t limit =
            confine::address_space_in_use(256 * kMiB) + std::size_t(file.size()) + margin(kind);
        if (const int err = confine::enter({limit, kCpuSeconds}, {2}); err != 0)
            io.err << in << ": the decoder could not confine itself: " << std::strerror(err)
                   << Qt::endl;
        else
            status = shrink(in, file, size, shared, io);
    } catch (const Error& e) {
        status = fail(io, in, e);
    } catch (const std::bad_alloc&) {
        status = fail(io, in, Error(errc::OutOfMemory));
    }
    io.err.flush();
    ::_exit(status);
}

// The thumbnail the child left in `shared`, checked against what was asked.
bool takeBack(const void* shared, int size, QImage& result) {
    Shape shape;
    std::memcpy(&shape, shared, sizeof shape);
    if (shape.width < 1 || shape.height < 1 || shape.width > size || shape.height > size ||
        (shape.format != QImage::Format_RGB32 &&
         shape.format != QImage::Format_ARGB32_Premultiplied))
        return false;
    const auto* pixels = static_cast<const uchar*>(shared) + sizeof shape;
    result =
        QImage(pixels, shape.width, shape.height, shape.width * 4, QImage::Format(shape.format))
            .copy();
    return !result.isNull();
}

} // namespace

int confinedThumbnail(const QString& in, int size, QImage& result, Io io) {
    std::optional<ReadableFile> file;
    try {
        file.emplace(in);
    } catch (const Error& e) {
        return fail(io, in, e);
    }
    const std::size_t bytes = sharedBytes(size);
    void* shared =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    int ends[2];
    if (shared == MAP_FAILED || ::pipe2(ends, O_CLOEXEC) != 0) {
        if (shared != MAP_FAILED) ::munmap(shared, bytes);
        return fail(io, in, errorFromErrno(errno));
    }
    io.out.flush();
    io.err.flush();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        child(in, *file, size, shared, io);
    }
    ::close(ends[1]);
    int status = kFailed;
    if (pid < 0) {
        status = fail(io, in, errorFromErrno(errno));
    } else {
        // The pipe ends when the child does: its write end is the child's alone.
        std::uint8_t none[1];
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWallSeconds);
        const auto read = confine::read_from(ends[0], none, got, deadline);
        const confine::Ending ending = confine::reap(pid, read != confine::Read::Ended, deadline);
        if (ending.overran) {
            io.err << in << ": the decoder was stopped: it took longer than " << kWallSeconds
                   << " s" << Qt::endl;
        } else if (ending.how == confine::Ending::How::Exited && ending.code == kDecoded) {
            status = takeBack(shared, size, result) ? kDecoded : kFailed;
            if (status != kDecoded)
                io.err << in << ": the decoder gave back no thumbnail" << Qt::endl;
        } else if (ending.how == confine::Ending::How::Exited) {
            status = ending.code == kRefused ? kRefused : kFailed; // the child said why
        } else {
            char why[256];
            confine::describe(ending, read == confine::Read::TimedOut, {0, kCpuSeconds},
                              kWallSeconds, why, sizeof why);
            io.err << in << ": the decoder was stopped: " << why << Qt::endl;
        }
    }
    ::close(ends[0]);
    ::munmap(shared, bytes);
    return status;
}

} // namespace glimmer::cli
