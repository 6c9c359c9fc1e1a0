// LoadPcx as the windows see it: messages through the seam, errors, and the Picture it makes.
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "decode/error.h"
#include "decode/files.h"
#include "decode/read_pcx.h"
#include "desktop/services/load_pcx.h"
#include "pcx_builder.h"
#include "tests/support/scripted_dialogs.h"

using namespace glimmer;
using testing_pcx::Bytes;
using testing_pcx::PcxFile;

namespace {

class LoadPcxTest : public ::testing::Test {
  protected:
    QString write(const QString& name, const Bytes& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        return path;
    }
    int errorOf(const QString& path) {
        try {
            (void)LoadPcx(path, dialogs);
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    }

    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
};

TEST_F(LoadPcxTest, RefusalsShowTheirOwnMessages) {
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.bits = 4;
    EXPECT_TRUE(LoadPcx(write("ega.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Sorry, can't load that pcx file!"));
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Sorry"));
    EXPECT_EQ(dialogs.shown[0].icon, platform::Icon::None);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Buttons::Ok);

    f = PcxFile::sized(4, 1, 4);
    f.marker = 10;
    EXPECT_TRUE(LoadPcx(write("nopal.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(
        dialogs.shown[1].text,
        QStringLiteral("The PCX that was passed didn't have a 256 colour palette! Can't read it!"));
    EXPECT_EQ(platform::titleOf(dialogs.shown[1]), QStringLiteral("Glimmer"));
    EXPECT_EQ(dialogs.shown[1].icon, platform::Icon::Exclamation);
    EXPECT_TRUE(QFile::remove(dir.filePath("nopal.pcx"))); // closed after the refusal

    f = PcxFile::sized(4, 1, 4, 4);
    EXPECT_TRUE(LoadPcx(write("rgba.pcx", f.bytes()), dialogs).isEmpty());
    EXPECT_EQ(dialogs.shown.size(), 2); // four planes: nothing said

    EXPECT_TRUE(LoadPcx(write("empty.pcx", {}), dialogs).isEmpty());
    f = PcxFile::sized(0, 1, 4); // width below 1
    f.data = {1, 2, 3, 4};
    EXPECT_TRUE(LoadPcx(write("zero.pcx", f.bytes()), dialogs).isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 4);
    EXPECT_EQ(dialogs.shown[3].title, QStringLiteral("Sorry"));
}

TEST_F(LoadPcxTest, FailuresRaiseNumberedErrors) {
    EXPECT_EQ(errorOf(dir.filePath("missing.pcx")), errc::FileNotFound);
    EXPECT_EQ(errorOf(dir.path()), errc::FileNotFound);
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.xmin = -1, f.xmax = 32767;
    EXPECT_EQ(errorOf(write("wide.pcx", f.bytes())), errc::Overflow);
    Bytes shortFile = PcxFile::sized(4, 1, 4).bytes();
    shortFile.resize(500);
    EXPECT_EQ(errorOf(write("short.pcx", shortFile)), errc::BadFilePosition);
    shortFile.resize(100);
    EXPECT_EQ(errorOf(write("header.pcx", shortFile)), errc::OutOfRange);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// The command-line tool and the benchmarks read files through this, with nobody to tell.
TEST_F(LoadPcxTest, ReadingWithoutWindowsReturnsRefusalsAndErrors) {
    PcxFile f = PcxFile::sized(4, 1, 4);
    f.marker = 10;
    PcxResult r = ReadPcx(write("nopal.pcx", f.bytes()));
    ASSERT_TRUE(std::holds_alternative<Refusal>(r));
    EXPECT_EQ(std::get<Refusal>(r).kind, pcx::Status::NoPalette);
    EXPECT_TRUE(std::get<Refusal>(r).text.contains(QStringLiteral("256 colour palette")));
    r = ReadPcx(write("rgba.pcx", PcxFile::sized(4, 1, 4, 4).bytes()));
    ASSERT_TRUE(std::holds_alternative<Refusal>(r));
    EXPECT_TRUE(std::get<Refusal>(r).text.isEmpty()); // refused without a word
    r = ReadPcx(dir.filePath("missing.pcx"));
    ASSERT_TRUE(std::holds_alternative<Error>(r));
    EXPECT_EQ(std::get<Error>(r).number(), errc::FileNotFound);
    r = ReadPcx(write("ok.pcx", PcxFile::sized(4, 1, 4).bytes()));
    ASSERT_TRUE(std::holds_alternative<Picture>(r));
    EXPECT_EQ(std::get<Picture>(r).image().size(), QSize(4, 1));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// The peak resident memory, in KiB, of a child that runs `work` and exits with what it
// returns; getrusage reports it once the child has ended.
struct ChildRun {
    int status = -1;
    long peakKiB = 0;
};
ChildRun runInChild(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 100;
        try {
            code = work();
        } catch (...) {
        }
        ::_exit(code);
    }
    ChildRun run;
    int st = 0;
    if (pid < 0 || ::waitpid(pid, &st, 0) != pid) return run;
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    struct rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    run.peakKiB = usage.ru_maxrss;
    return run;
}

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A refused kind is refused from its header, a decoded kind too large to read is error 7
// before any memory is taken for it: neither file is read, whatever its size.
TEST_F(LoadPcxTest, HugeFilesAreJudgedWithoutBeingRead) {
    struct Case {
        const char* name;
        std::uint8_t bits, planes;
        qint64 size;
        int want; // 0: told "Sorry", 7: error 7
    };
    const Case cases[] = {
        {"ega-3g.pcx", 4, 1, 3'000'000'000, 0},
        {"ega-1.5g.pcx", 4, 1, qint64{3} << 29, 0}, // small enough that it could be read
        {"rgb-3g.pcx", 8, 3, 3'000'000'000, 7},
    };
    // The child starts with this process's pages; reading any of the files would add GiBs.
    const long bound = residentKiB() + 64 * 1024;
    struct rusage before {};
    ::getrusage(RUSAGE_CHILDREN, &before);
    if (before.ru_maxrss >= bound) GTEST_SKIP() << "an earlier child's peak memory hides ours";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PcxFile f = PcxFile::sized(640, 480, c.planes == 1 ? 320 : 640, c.planes);
        f.bits = c.bits;
        f.palette = false;
        const QString path = write(c.name, f.bytes());
        QFile file(path);
        struct stat st {};
        if (!file.resize(c.size) || ::stat(QFile::encodeName(path).constData(), &st) != 0 ||
            st.st_blocks > 2048)
            GTEST_SKIP() << "the file system cannot hold a sparse file of " << c.size << " bytes";
        const ChildRun run = runInChild([&] {
            try {
                const Picture pic = LoadPcx(path, dialogs);
                const bool sorry =
                    pic.isEmpty() && dialogs.shown.size() == 1 &&
                    dialogs.shown[0].text == QStringLiteral("Sorry, can't load that pcx file!");
                return sorry ? 0 : 1;
            } catch (const Error& e) {
                return e.number();
            }
        });
        EXPECT_EQ(run.status, c.want);
        EXPECT_LT(run.peakKiB, bound);
        const PcxResult r = ReadPcx(path); // and in this process, for the refusal's kind
        const auto* refusal = std::get_if<Refusal>(&r);
        const auto* error = std::get_if<Error>(&r);
        if (c.want == 0)
            EXPECT_TRUE(refusal && refusal->kind == pcx::Status::NotEightBit);
        else
            EXPECT_TRUE(error && error->number() == errc::OutOfMemory);
        EXPECT_TRUE(QFile::remove(path));
    }
}

TEST_F(LoadPcxTest, ErrorsNameTheirCause) {
    PcxFile f = PcxFile::sized(64, 100, 64);
    f.data = {1};
    try {
        (void)LoadPcx(write("cut.pcx", f.bytes()), dialogs);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.text(), QStringLiteral("Out of range: picture data ends before the last row"));
    }
}

TEST_F(LoadPcxTest, PictureIsSharedWithItsColoursAndSize) {
    PcxFile f = PcxFile::sized(640, 2, 640);
    for (int i = 0; i < 2 * 640 / 64; ++i)
        f.data.insert(f.data.end(), {0xFF, 200, 0xC1, 201});
    const Picture pic = LoadPcx(write("wide.pcx", f.bytes()), dialogs);
    ASSERT_FALSE(pic.isEmpty());
    EXPECT_EQ(pic.image().format(), QImage::Format_Indexed8);
    EXPECT_EQ(pic.image().colorCount(), 256);
    EXPECT_EQ(pic.image().pixel(0, 0), qRgb(200, 55, 100));
    EXPECT_EQ(pic.widthHiMetric(), 16933); // 640 px at 96 per inch
    EXPECT_EQ(Picture::toHiMetric(480, 96.0), 12700);

    const Picture copy = pic;
    EXPECT_TRUE(copy.sameAs(pic));
    EXPECT_EQ(copy.handle(), pic.handle());
    const Picture again = LoadPcx(dir.filePath("wide.pcx"), dialogs);
    EXPECT_NE(again.handle(), pic.handle());
    EXPECT_EQ(Picture().handle(), 0u);
}

TEST_F(LoadPcxTest, FileExistsCountsFoldersAndSwallowsErrors) {
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_TRUE(FileExists(write("a.pcx", {1})));
    EXPECT_FALSE(FileExists(dir.filePath("none/a.pcx")));
    EXPECT_FALSE(FileExists(QString()));
}

} // namespace
