// `glimmer FILE.pcx`: the file named at start, shown or refused with one clear message.
#include <QDeadlineTimer>
#include <QListWidget>
#include <QProcess>
#include <cstdio>

#include "browser/folder_list.h"
#include "browser/pcx_main.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

class StartFileTest : public ProgramTest {
  protected:
    StartFileTest() {
        program.reset();
        program = std::make_unique<glimmer::app::Program>(*platform, errors);
    }
    ~StartFileTest() override {
        program.reset();
        std::fclose(errors);
    }
    QString errorsSaid() const { // what the program wrote to its error stream
        std::fflush(errors);
        std::rewind(errors);
        char buffer[4096] = {};
        (void)std::fread(buffer, 1, sizeof buffer - 1, errors);
        return QString::fromLocal8Bit(buffer);
    }
    std::FILE* errors = std::tmpfile();
};

TEST_F(StartFileTest, AFileThatCannotBeDecodedShowsOnlyItsOwnMessage) {
    // A numbered decode error, and a refusal the decoder explains itself.
    for (const char* source : {"malformed/cut-mid-row.pcx", "kinds/kde-16color.pcx"}) {
        scripted.dialogs.shown.clear();
        program->openFile(put(shotsDir(), QStringLiteral("BAD.PCX"), QString::fromLatin1(source)));
        ASSERT_EQ(said().size(), 1) << source << ": " << said().join('|').toStdString();
        EXPECT_FALSE(program->frmPicture().isVisible());
        EXPECT_EQ(program->pcxMain().pickedName(), QStringLiteral("BAD.PCX"));
    }
    EXPECT_TRUE(said()[0].contains(QLatin1String("can't load")));
    EXPECT_EQ(errorsSaid(), QString()); // the decoder's messages are the user's to read
}

TEST_F(StartFileTest, AMissingFileOrANameThatIsNoPcxIsToldOnceAndOnStderr) {
    put(progDir(), QStringLiteral("HOME.PCX"));
    QDir(shotsDir()).mkdir(QStringLiteral("folder.pcx"));
    put(shotsDir(), QStringLiteral("notes.txt"));
    const QString cases[][2] = {
        {shotsDir() + QStringLiteral("/GONE.PCX"), QStringLiteral(" does not exist.")},
        {shotsDir() + QStringLiteral("/notes.txt"), QStringLiteral(" is not a PCX picture.")},
        {shotsDir() + QStringLiteral("/folder.pcx"), QStringLiteral(" is not a PCX picture.")},
        {QStringLiteral("/nowhere/at/all.pcx"), QStringLiteral(" does not exist.")},
    };
    QString expectedErrors;
    for (const auto& [file, why] : cases) {
        scripted.dialogs.shown.clear();
        program->openFile(file);
        EXPECT_EQ(said(), QStringList{file + why});
        expectedErrors += QStringLiteral("glimmer: ") + file + why + '\n';
        // The browser stays on the program folder, usable as after a plain start.
        EXPECT_EQ(program->pcxMain().dir1()->path(), progDir());
        EXPECT_EQ(program->pcxMain().list1()->count(), 1);
        EXPECT_FALSE(program->frmPicture().isVisible());
    }
    EXPECT_EQ(errorsSaid(), expectedErrors);
}

TEST_F(StartFileTest, TheProgramItselfWritesTheProblemToStderrBeforeItsBox) {
    // The real executable over the real platform: its box is modal and waits for an answer
    // nobody gives, so the run is ended once stderr has said what it should.
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    run.setProcessEnvironment(env);
    const QString missing = shotsDir() + QStringLiteral("/GONE.PCX");
    run.start(QStringLiteral(GLIMMER_PROGRAM), {missing});
    ASSERT_TRUE(run.waitForStarted(10000));
    run.setReadChannel(QProcess::StandardError);
    const QByteArray expected = ("glimmer: " + missing + " does not exist.\n").toLocal8Bit();
    QByteArray err;
    for (QDeadlineTimer bound(20000);
         !err.contains(expected) && run.state() == QProcess::Running && !bound.hasExpired();) {
        run.waitForReadyRead(static_cast<int>(bound.remainingTime()));
        err += run.readAllStandardError();
    }
    err += run.readAllStandardError();
    const bool stillUp = run.state() == QProcess::Running; // held by the box
    run.kill();
    run.waitForFinished(10000);
    EXPECT_TRUE(err.contains(expected)) << err.toStdString();
    EXPECT_TRUE(stillUp);
}

} // namespace
