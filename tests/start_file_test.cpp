// `glimmer FILE.pcx`: the file named at start, shown or refused with one clear message.
#include <QDeadlineTimer>
#include <QListWidget>
#include <QProcess>
#include <cstdio>

#include "browser/folder_list.h"
#include "browser/pcx_main.h"
#include "edit/picture_box.h"
#include "program_fixture.h"
#include "viewer/frm_picture.h"

using namespace testing_glimmer;

namespace {

// What the program wrote to its error stream, kept in a real file.
class ErrorStream {
  public:
    ErrorStream() : m_file(std::tmpfile()) {}
    ~ErrorStream() { std::fclose(m_file); }
    ErrorStream(const ErrorStream&) = delete;
    ErrorStream& operator=(const ErrorStream&) = delete;
    std::FILE* file() const { return m_file; }
    QString text() const {
        std::fflush(m_file);
        std::rewind(m_file);
        QByteArray bytes;
        char buffer[512];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, m_file))
            bytes.append(buffer, static_cast<qsizetype>(n));
        return QString::fromLocal8Bit(bytes);
    }

  private:
    std::FILE* m_file;
};

class StartFileTest : public ProgramTest {
  protected:
    StartFileTest() {
        program.reset();
        program = std::make_unique<glimmer::app::Program>(*platform, errors.file());
    }
    ~StartFileTest() override { program.reset(); }
    QStringList messages() const {
        QStringList out;
        for (const auto& m : scripted.dialogs.shown)
            out.append(m.text);
        return out;
    }
    ErrorStream errors;
};

TEST_F(StartFileTest, AFileThatCannotBeDecodedShowsOnlyItsOwnMessage) {
    // A numbered decode error, and a refusal the decoder explains itself.
    for (const char* source : {"malformed/cut-mid-row.pcx", "refused/16color.pcx"}) {
        scripted.dialogs.shown.clear();
        const QString file =
            put(shotsDir(), QStringLiteral("BAD.PCX"), QString::fromLatin1(source));
        program->openFile(file);
        ASSERT_EQ(scripted.dialogs.shown.size(), 1)
            << source << ": " << messages().join('|').toStdString();
        EXPECT_NE(messages()[0], QStringLiteral("You Have Not Chosen A PCX!"));
        EXPECT_FALSE(program->frmPicture().isVisible());
        EXPECT_EQ(program->pcxMain().pickedName(), QStringLiteral("BAD.PCX"));
    }
    EXPECT_TRUE(scripted.dialogs.shown[0].text.contains(QLatin1String("can't load")));
    EXPECT_EQ(errors.text(), QString()); // the decoder's messages are the user's to read
}

TEST_F(StartFileTest, AMissingFileOrANameThatIsNoPcxIsToldOnceAndOnStderr) {
    put(progDir(), QStringLiteral("HOME.PCX"));
    QDir(shotsDir()).mkdir(QStringLiteral("folder.pcx"));
    put(shotsDir(), QStringLiteral("notes.txt"));
    const QString missing = shotsDir() + QStringLiteral("/GONE.PCX");
    const QString cases[][2] = {
        {missing, missing + QStringLiteral(" does not exist.")},
        {shotsDir() + QStringLiteral("/notes.txt"),
         shotsDir() + QStringLiteral("/notes.txt is not a PCX picture.")},
        {shotsDir() + QStringLiteral("/folder.pcx"),
         shotsDir() + QStringLiteral("/folder.pcx is not a PCX picture.")},
        {QStringLiteral("/nowhere/at/all.pcx"),
         QStringLiteral("/nowhere/at/all.pcx does not exist.")},
    };
    QString expectedErrors;
    for (const auto& [file, text] : cases) {
        scripted.dialogs.shown.clear();
        program->openFile(file);
        EXPECT_EQ(messages(), QStringList{text}) << file.toStdString();
        expectedErrors += QStringLiteral("glimmer: ") + text + '\n';
        // The browser stays on the program folder, usable as after a plain start.
        EXPECT_TRUE(program->pcxMain().isVisible());
        EXPECT_EQ(program->pcxMain().dir1()->path(), progDir());
        EXPECT_EQ(program->pcxMain().list1()->count(), 1);
        EXPECT_FALSE(program->frmPicture().isVisible());
    }
    EXPECT_EQ(errors.text(), expectedErrors);
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
