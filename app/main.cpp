// glimmer: starts with the browser window, or with the login dialog (--login) or the
// notification-area icon (--tray); a PCX file named on the command line is shown at once.
#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/program.h"
#include "desktop/controls.h"
#include "desktop/frm_login.h"
#include "desktop/frm_tray.h"
#include "platform/qt_platform.h"
#include "platform/session_platform.h"
#include "platform/title.h"

namespace {

void setUpLook() {
    QApplication::setApplicationName(glimmer::platform::kProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(GLIMMER_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // the windows decide when the program ends
    QApplication::setWindowIcon(glimmer::desktop::art(QStringLiteral("glimmer.png")));
    // The window layouts are measured for small dialog type.
    QFont font = QApplication::font();
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
}

const QCommandLineOption kLogin(QStringLiteral("login"),
                                QStringLiteral("Start with the login dialog."));
const QCommandLineOption kTray(QStringLiteral("tray"),
                               QStringLiteral("Start with the icon in the notification area."));

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Glimmer, a viewer for PCX pictures.\n\n"
        "In a GNOME or KDE Wayland session Glimmer runs through XWayland where it is there, as\n"
        "only X11 windows stay above others there; elsewhere Qt chooses. QT_QPA_PLATFORM=wayland\n"
        "or =xcb chooses otherwise. Where nothing stays on top, \"Always On Top\" is greyed."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({kLogin, kTray});
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A PCX picture to show at once."),
                                 QStringLiteral("[file]"));
}

// --help and --version answer without a display.
void answerWithoutDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h" || a == "--version" || a == "-v") {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationVersion(QStringLiteral(GLIMMER_VERSION));
            QCommandLineParser parser;
            describe(parser);
            parser.process(core); // prints and exits
        }
    }
}

// Only X11 lets a window stay above others (the picture, help and other windows open above
// the rest, and the browser may be kept there). Returns whether it chose.
bool choosePlatform() {
    const QByteArray platform =
        glimmer::platform::sessionPlatform(QProcessEnvironment::systemEnvironment());
    if (platform.isEmpty()) return false;
    qputenv("QT_QPA_PLATFORM", platform);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a save fails with EFBIG and says so, instead of the signal
    // ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    answerWithoutDisplay(argc, argv);
    const bool chosen = choosePlatform();
    QApplication app(argc, argv);
    // Programs Glimmer starts (the web browser) choose their own.
    if (chosen) qunsetenv("QT_QPA_PLATFORM");
    setUpLook();
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    const QCommandLineOption& login = kLogin;
    const QCommandLineOption& tray = kTray;

    glimmer::platform::QtPlatform qt;
    glimmer::platform::Platform platform = qt.platform();
    glimmer::app::Program program(platform);
    QObject::connect(&program, &glimmer::app::Program::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    if (parser.isSet(login)) {
        program.frmLogin().show();
    } else if (parser.isSet(tray)) {
        if (!platform.tray.available())
            std::fputs("glimmer: there is no notification area; closing the browser ends the "
                       "program.\n",
                       stderr);
        program.frmTray().show();
    } else if (!parser.positionalArguments().isEmpty()) {
        const QString file = parser.positionalArguments().first();
        QTimer::singleShot(0, &program, [&program, file] { program.openFile(file); });
    } else {
        program.pcxMain().show();
    }
    return QApplication::exec();
}
