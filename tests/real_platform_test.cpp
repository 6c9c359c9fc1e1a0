// File faults as users meet them, through the real platform: real files with real
// permissions and a really full disk, nothing injected. Permissions do not bind root, so
// tests/run_unprivileged.sh runs these as nobody when started as root.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "browser/folder_list.h"
#include "browser/pcx_main.h"
#include "edit/picture_box.h"
#include "platform/program_folder.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using glimmer::Picture;
using glimmer::platform::Button;
using glimmer::platform::Icon;
using testing_glimmer::testData;

void PrintTo(const QString& s, std::ostream* os) { // readable failures
    *os << '"' << s.toStdString() << '"';
}

namespace {

QString bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : "<unreadable>";
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size())
        << path.toStdString();
}

QStringList namesIn(const QString& folder) { // temporary files included
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The real file system under the whole program, its dialogs scripted, and glimmer-pcx.
class RealPlatform : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() == 0)
            GTEST_SKIP() << "running as root, whom file permissions do not bind ("
                         << qEnvironmentVariable("GLIMMER_UNPRIVILEGED",
                                                 "not run through tests/run_unprivileged.sh")
                                .toStdString()
                         << ")";
        ASSERT_TRUE(root.isValid());
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &sizeLimit), 0);
        start(folder("prog"));
    }
    void TearDown() override {
        program.reset();
        freeDisk();
        for (auto it = modes.rbegin(); it != modes.rend(); ++it)
            ::chmod(it->first.constData(), it->second);
    }

    QString folder(const QString& name) {
        QDir(root.path()).mkpath(name);
        return root.filePath(name);
    }
    QString put(const QString& dir, const QString& name) {
        const QString path = dir + '/' + name;
        EXPECT_TRUE(QFile::copy(testData("pcx/planet.pcx"), path));
        return path;
    }
    void setMode(const QString& path, mode_t mode) { // until the test ends
        struct stat st {};
        const QByteArray name = QFile::encodeName(path);
        ASSERT_TRUE(::stat(name.constData(), &st) == 0 && ::chmod(name.constData(), mode) == 0)
            << name.constData() << ": " << std::strerror(errno);
        modes.emplace_back(name, st.st_mode & 07777);
    }

    // A fresh folder on the disk fillDisk() fills: the wrapper's tmpfs or, without one (not
    // root), anywhere, a file-size limit standing in for the full disk (writes fail EFBIG).
    QString diskFolder() {
        onDisk = std::make_unique<QTemporaryDir>((mount.isEmpty() ? root.path() : mount) +
                                                 "/disk-XXXXXX");
        return onDisk->path();
    }
    // Leaves `room` bytes free until freeDisk().
    void fillDisk(qint64 room = 0) {
        if (mount.isEmpty()) {
            std::signal(SIGXFSZ, SIG_IGN); // else the first refused write kills
            const rlimit size{rlim_t(room), sizeLimit.rlim_max};
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &size), 0);
            return;
        }
        filler = QFile::encodeName(mount + "/filler");
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        const std::vector<char> block(65536, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        const int why = errno;
        const int cut = ::ftruncate(fd, ::lseek(fd, 0, SEEK_END) - room);
        ::close(fd);
        ASSERT_EQ(why, ENOSPC) << std::strerror(why);
        ASSERT_EQ(cut, 0) << std::strerror(errno);
    }
    void freeDisk() {
        if (!filler.isEmpty()) ::unlink(filler.constData());
        filler.clear();
        ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
    }
    // What the system calls a write the full disk refuses.
    QString noRoom() const {
        return mount.isEmpty() ? "File too large" : "No space left on device";
    }

    void start(const QString& programFolder) {
        program.reset();
        QDir(programFolder).mkpath("imported");
        scripted = std::make_unique<glimmer::platform::ScriptedPlatform>(programFolder);
        platform = std::make_unique<glimmer::platform::Platform>(scripted->platform());
        program = std::make_unique<glimmer::app::Program>(*platform);
    }
    QString prog() const { return scripted->folder; }
    glimmer::browser::PCXMain& main() { return program->pcxMain(); }
    glimmer::viewer::FrmPicture& win() { return program->frmPicture(); }
    void pick(int row) { main().list1()->setCurrentRow(row); }
    const QList<glimmer::platform::Message>& shown() const { return scripted->dialogs.shown; }
    QStringList texts() const {
        QStringList out;
        for (const auto& m : shown())
            out.append(m.text);
        return out;
    }
    // Save As `target`, answering Yes when asked to replace it; returns the last message.
    QString saveAs(const QString& target) {
        scripted->fileDialogs.answers = {target};
        scripted->dialogs.answers = {Button::Yes};
        win().action("mnuFileSave")->trigger();
        scripted->dialogs.answers.clear();
        return shown().isEmpty() ? QString() : shown().last().text;
    }

    QTemporaryDir root;
    std::unique_ptr<glimmer::platform::ScriptedPlatform> scripted;
    std::unique_ptr<glimmer::platform::Platform> platform;
    std::unique_ptr<glimmer::app::Program> program;

  private:
    std::unique_ptr<QTemporaryDir> onDisk;
    const QString mount = qEnvironmentVariable("GLIMMER_FULL_DISK");
    std::vector<std::pair<QByteArray, mode_t>> modes;
    QByteArray filler;
    rlimit sizeLimit{};
};

// "exit N: what it said", stdout and stderr together; `wrap` runs it (env, strace).
QString glimmerPcx(const QStringList& args, QStringList wrap = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    wrap << qEnvironmentVariable("GLIMMER_PCX", QStringLiteral(GLIMMER_PCX)) << args;
    p.start(wrap.takeFirst(), wrap);
    const bool ended = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    return (ended ? QStringLiteral("exit %1: ").arg(p.exitCode()) : QStringLiteral("no exit: ")) +
           QString::fromLocal8Bit(p.readAll()).trimmed();
}

// Every refusal is exit 2 and a numbered error naming the file, and no file is touched. A
// file that may be written is replaced also in a folder that refuses new files, rewritten
// where it stands once there is room for all of it.
TEST_F(RealPlatform, CliRefusalsAreNumberedErrorsAndKeepEveryFile) {
    const QString perm = folder("perm"), ro = folder("perm/ro"), disk = diskFolder();
    const QString diskRo = disk + "/ro";
    ASSERT_TRUE(QDir().mkpath(diskRo));
    const QString in = put(perm, "noread.pcx"), keep = ro + "/keep.png";
    const QString locked = perm + "/locked.png", small = disk + "/planet.png",
                  large = disk + "/256-palette.png", inPlace = diskRo + "/in-place.png";
    for (const QString& old : {keep, locked, small, large, inPlace})
        ASSERT_NO_FATAL_FAILURE(writeBytes(old, "old"));
    setMode(in, 0200);
    setMode(ro, 0555);
    setMode(diskRo, 0555);
    setMode(locked, 0444);
    const QString planet = testData("pcx/planet.pcx"), denied = "70: Permission denied",
                  full = "61: " + noRoom();
    // room: bytes left on the full disk, -1 for a disk with room
    const std::tuple<QStringList, QString, qint64> runs[] = {
        {{"info", in}, denied, -1},
        {{"convert", in, perm + "/out.png"}, denied, -1},
        {{"convert", planet, ro + "/new.png"}, denied, -1},
        {{"convert", planet, locked}, denied, -1},
        {{"convert", planet, small}, full, 0},
        {{"convert", testData("pcx/256-palette.pcx"), large}, full, 0},
        {{"convert", testData("pcx/256-palette.pcx"), large}, full, 8192}, // written in part
        {{"convert", testData("pcx/256-palette.pcx"), inPlace}, full, 0}};
    for (const auto& [args, why, room] : runs) {
        if (room >= 0) fillDisk(room);
        const QString refused = args.contains(in) ? in : args.last();
        EXPECT_EQ(glimmerPcx(args), "exit 2: " + refused + ": error " + why) << room;
        freeDisk();
    }
    for (const QString& old : {locked, small, large, inPlace})
        EXPECT_EQ(bytesOf(old), "old") << old.toStdString();
    EXPECT_EQ(glimmerPcx({"convert", planet, keep}), "exit 0: ");
    EXPECT_EQ(QImage(keep).convertToFormat(QImage::Format_RGB32),
              QImage(testData("pcx/planet.png")).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(namesIn(ro), QStringList{"keep.png"}); // nothing new, no temporary file
    EXPECT_EQ(namesIn(diskRo), QStringList{"in-place.png"});
    EXPECT_EQ(namesIn(perm), (QStringList{"locked.png", "noread.pcx", "ro"}));
    EXPECT_EQ(namesIn(disk), (QStringList{"256-palette.png", "planet.png", "ro"}));
}

// Where a rename is refused (another user's file in a sticky folder, as in /tmp) a file the
// user may write is rewritten where it stands; past a file-size limit the write fails with
// its message and leaves nothing behind, instead of the signal killing glimmer-pcx.
TEST_F(RealPlatform, CliWritesWhereRenamesOrSizesAreRefused) {
    const QString planet = testData("pcx/planet.pcx"), out = folder("limited");
    const QString want = "exit 2: " + out + "/big.bmp: error 61: File too large";
    EXPECT_EQ(glimmerPcx({"convert", testData("pcx/256-palette.pcx"), out + "/big.bmp"},
                         {"env", "--default-signal=XFSZ", "prlimit", "--fsize=100000"}),
              want);
    EXPECT_EQ(namesIn(out), QStringList());
    const QString sticky = qEnvironmentVariable("GLIMMER_STICKY");
    if (sticky.isEmpty()) GTEST_SKIP() << "no sticky folder of another user's (not run as root)";
    const QString theirs = sticky + "/theirs.png";
    EXPECT_EQ(glimmerPcx({"convert", planet, theirs}), "exit 0: ");
    EXPECT_EQ(QImage(theirs).convertToFormat(QImage::Format_RGB32),
              QImage(testData("pcx/planet.png")).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(QFileInfo(theirs).ownerId(), 0u); // the same file, rewritten
    EXPECT_EQ(namesIn(sticky), QStringList{"theirs.png"});
}

// The in-place rewrite keeps the old contents until the new ones are truncated and on disk:
// when that fails (injected as a failing disk would), it puts them back and says so. Today
// strace is the only way to make ftruncate or fdatasync fail on a real file as nobody.
TEST_F(RealPlatform, FailedInPlaceRewritePutsTheOldContentsBack) {
    if (QProcess::execute("strace", {"-o", "/dev/null", "true"}) != 0)
        GTEST_SKIP() << "strace cannot trace here";
    const QString ro = folder("ro"), copies = folder("copies"), target = ro + "/old.png";
    QByteArray old(100000, 0);
    for (int i = 0; i < old.size(); ++i)
        old[i] = char(i * 7 % 251);
    ASSERT_NO_FATAL_FAILURE(writeBytes(target, old));
    setMode(ro, 0555);
    // The first fdatasync is the new contents' (the copy of the old is put on disk by fsync).
    // A sanitizer build's leak check cannot run under ptrace: it is left out there.
    const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
    const QString noLeakCheck = (asan.isEmpty() ? QString() : asan + ':') + "detect_leaks=0";
    for (const QString call : {"ftruncate", "fdatasync:when=1"}) {
        const QStringList strace = {"env",
                                    "TMPDIR=" + copies,
                                    "ASAN_OPTIONS=" + noLeakCheck,
                                    "strace",
                                    "-f",
                                    "-o",
                                    "/dev/null",
                                    "-e",
                                    "inject=" + call + ":error=EIO"};
        EXPECT_EQ(glimmerPcx({"convert", testData("pcx/planet.pcx"), target}, strace),
                  "exit 2: " + target +
                      ": error 68: Input/output error; the old contents were put back");
        EXPECT_TRUE(bytesOf(target) == QString::fromLatin1(old))
            << call.toStdString() << ": " << QFileInfo(target).size() << " bytes";
        EXPECT_EQ(namesIn(copies), QStringList()) << call.toStdString(); // the copy gone
    }
    EXPECT_EQ(namesIn(ro), QStringList{"old.png"});
}

// An output name as long as the file system takes is written: the temporary name beside it
// is shortened to fit.
TEST_F(RealPlatform, OutputNamesAsLongAsTheFileSystemTakesAreWritten) {
    const QString out = folder("out"), planet = testData("pcx/planet.pcx");
    const QImage want = QImage(testData("pcx/planet.png")).convertToFormat(QImage::Format_RGB32);
    for (const int length : {250, 255}) {
        const QString target = out + '/' + QString(length - 4, 'n') + ".png";
        EXPECT_EQ(glimmerPcx({"convert", planet, target}), "exit 0: ") << length;
        EXPECT_EQ(QImage(target).convertToFormat(QImage::Format_RGB32), want) << length;
    }
    EXPECT_EQ(namesIn(out).size(), 2); // no temporary file left
}

// A read-only folder of pictures, one of them unreadable, and a read-only imported/: an
// earlier copy there is replaced where it stands, a new one cannot be made.
TEST_F(RealPlatform, BrowsingReadOnlyFoldersSaysWhyAndKeepsEveryFile) {
    const QString shots = folder("shots");
    const QString a = put(shots, "A.PCX");
    const QString b = put(shots, "B.PCX"), imported = prog() + "/imported";
    put(shots, "C.PCX");
    ASSERT_NO_FATAL_FAILURE(writeBytes(imported + "/A.pcx", "earlier"));
    setMode(b, 0200);
    setMode(shots, 0555);
    setMode(imported, 0555);
    main().show();
    main().dir1()->setPath(shots);
    pick(0);
    ASSERT_FALSE(win().picture1()->picture().isEmpty());
    main().importPcx(); // over an earlier copy
    pick(1);
    EXPECT_TRUE(win().picture1()->picture().isEmpty()); // not the previous picture instead
    scripted->dialogs.answers = {Button::Yes};
    main().deletePcx();
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_EQ(main().list1()->count(), 3);
    EXPECT_EQ(main().pickedName(), "B.PCX");
    pick(2);
    main().importPcx(); // no earlier copy
    ASSERT_EQ(texts(), (QStringList{b + " cannot be shown.\nPermission denied (error 70)",
                                    "Are You Shore You Want To Delete?",
                                    "B.PCX could not be deleted: Permission denied",
                                    "You cannot copy this file as it already exists"}));
    EXPECT_EQ(shown()[0].icon, Icon::Exclamation);
    EXPECT_EQ(shown()[2].icon, Icon::Exclamation);
    EXPECT_EQ(namesIn(imported), QStringList{"A.pcx"}); // nothing new, nothing left over
    EXPECT_EQ(bytesOf(imported + "/A.pcx"), bytesOf(a));
}

// Save As replaces a file the user may write, in place where its folder refuses new files,
// and leaves every file as it was where it is refused.
TEST_F(RealPlatform, SaveAsWritesNothingWhereItIsRefused) {
    const QString ro = folder("ro"), shots = folder("shots"), disk = diskFolder();
    const QString locked = shots + "/locked.bmp", diskRo = disk + "/ro";
    ASSERT_TRUE(QDir().mkpath(diskRo));
    // room: bytes left on the full disk, -1 for a disk with room. Large pictures fail at
    // once or, with a little room, part-way; a small one in its one write.
    struct Case {
        QString target;
        int side;
        qint64 room;
        QString why; // empty: written
    };
    const QString denied = "Permission denied";
    const Case cases[] = {{ro + "/new.bmp", 40, -1, denied},
                          {ro + "/old.bmp", 40, -1, {}},
                          {locked, 40, -1, denied},
                          {disk + "/large.bmp", 300, 0, noRoom()},
                          {disk + "/partly.bmp", 300, 8192, noRoom()},
                          {disk + "/small.bmp", 8, 0, noRoom()},
                          {diskRo + "/in-place.bmp", 300, 0, noRoom()}};
    for (const Case& c : cases)
        if (!c.target.endsWith("new.bmp")) writeBytes(c.target, "old");
    setMode(ro, 0555);
    setMode(diskRo, 0555);
    setMode(locked, 0444);
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(Qt::darkCyan);
    win().picture1()->setPicture(Picture(pixel));
    QStringList said, want;
    QTimer::singleShot(0, [&] {
        for (const Case& c : cases) {
            if (c.room >= 0) fillDisk(c.room);
            win().picture1()->setPicture(Picture(pixel.scaled(c.side, c.side)));
            said.append(saveAs(c.target));
            // The last thing said: the question before replacing, or why it failed.
            want.append(c.why.isEmpty()
                            ? QStringLiteral("That File Already Exists, Overwright")
                            : QStringLiteral("The picture could not be saved as %1.\n%2")
                                  .arg(c.target, c.why));
            scripted->dialogs.shown.clear();
            freeDisk();
        }
        win().unload();
    });
    win().showModal();
    EXPECT_EQ(said, want);
    for (const Case& c : cases) {
        const QString now = bytesOf(c.target);
        if (c.why.isEmpty())
            EXPECT_EQ(QImage(c.target), pixel.scaled(c.side, c.side)) << c.target.toStdString();
        else
            EXPECT_EQ(now, c.target.endsWith("new.bmp") ? "<unreadable>" : "old")
                << c.target.toStdString();
    }
    EXPECT_EQ(namesIn(ro), QStringList{"old.bmp"}); // nothing new, no temporary file
    EXPECT_EQ(namesIn(diskRo), QStringList{"in-place.bmp"});
    EXPECT_EQ(namesIn(shots), QStringList{"locked.bmp"});
    EXPECT_EQ(namesIn(disk), (QStringList{"large.bmp", "partly.bmp", "ro", "small.bmp"}));
}

// Closing the picture window rewrites the list; when that fails, silently, the list in memory
// is the true one, and opening the window again must not read the stale file over it. A
// read-only program folder does not stop the list's own file from being rewritten.
TEST_F(RealPlatform, RecentFilesStayInMemoryWhenTheirFileCannotBeWritten) {
    enum Why { ReadOnlyFolder, ReadOnlyFile, FullDisk };
    for (Why why : {ReadOnlyFolder, ReadOnlyFile, FullDisk}) {
        start(why == FullDisk ? diskFolder() + "/prog" : folder(QString("prog%1").arg(why)));
        const QString mru = prog() + "/glimmer.mru";
        put(prog(), "SHOT.PCX");
        ASSERT_NO_FATAL_FAILURE(writeBytes(mru, "OLD.PCX\r\n"));
        const QStringList files = namesIn(prog());
        if (why == ReadOnlyFolder) setMode(prog(), 0555);
        if (why == ReadOnlyFile) setMode(mru, 0444);
        if (why == FullDisk) fillDisk();
        const QString kept = why == ReadOnlyFolder ? "SHOT.PCX\r\nOLD.PCX\r\n" : "OLD.PCX\r\n";
        main().show();
        for (int opening : {1, 2}) {
            pick(-1);
            pick(0); // loads the picture window, which reads the list and records the pick
            EXPECT_EQ(win().recentFiles().entries(), (QStringList{"SHOT.PCX", "OLD.PCX"}))
                << "case " << why << ", opening " << opening;
            win().unload();
            EXPECT_FALSE(win().isLoaded());
            EXPECT_EQ(bytesOf(mru), kept) << "case " << why;
            EXPECT_EQ(namesIn(prog()), files) << "case " << why;
        }
        EXPECT_EQ(texts(), QStringList()) << "case " << why;
        freeDisk();
    }
}

} // namespace

// An install the user may not change keeps its program folder in the user's data folder, made
// once from the installed pictures; one the user may change is used where it stands.
TEST_F(RealPlatform, ProgramFolderOfAnInstallTheUserMayNotChange) {
    using glimmer::platform::programFolder;
    const QString installed = folder("installed"), data = root.filePath("data");
    put(installed, "DUSK.PCX");
    put(installed, "chat2.gif");
    writeBytes(installed + "/glimmer", "#!/bin/sh\n");
    setMode(installed + "/glimmer", 0755);
    EXPECT_EQ(programFolder(installed, data), installed);

    setMode(installed, 0555);
    const QString made = data + "/glimmer";
    EXPECT_EQ(programFolder(installed, data), made);
    EXPECT_EQ(namesIn(made), (QStringList{"DUSK.PCX", "chat2.gif", "imported"}));
    EXPECT_TRUE(namesIn(made + "/imported").isEmpty());
    EXPECT_EQ(namesIn(data), QStringList{"glimmer"});
    // Made once: what the user changed there stays.
    ASSERT_TRUE(QFile::remove(made + "/DUSK.PCX"));
    EXPECT_EQ(programFolder(installed, data), made);
    EXPECT_EQ(namesIn(made), (QStringList{"chat2.gif", "imported"}));

    // A data folder that cannot be made leaves the installed folder, read-only as it is.
    const QString locked = folder("locked");
    setMode(locked, 0555);
    EXPECT_EQ(programFolder(installed, locked + "/data"), installed);
}
