// glimmer: starts the browser window on the program folder.
#include <QApplication>
#include <QFont>

#include "desktop/program.h"
#include "desktop/widgets.h"
#include "platform/qt_platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glimmer"));
    QApplication::setApplicationVersion(QStringLiteral(GLIMMER_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // the windows decide when the program ends
    QApplication::setWindowIcon(glimmer::desktop::art(QStringLiteral("glimmer.png")));
    // The window layouts are measured for small dialog type.
    QFont font = QApplication::font();
    font.setPointSizeF(7.5);
    QApplication::setFont(font);

    glimmer::platform::QtPlatform qt;
    glimmer::platform::Platform platform = qt.platform();
    glimmer::desktop::Program program(platform);
    QObject::connect(&program, &glimmer::desktop::Program::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    program.pcxMain().show();
    return QApplication::exec();
}
