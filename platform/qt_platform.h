// The real platform: Qt message boxes, dialogs, clipboard, printer and browser, the local
// file system, and the program folder (programFolder()).
#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/platform.h"
#include "platform/program_folder.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_services.h"
#include "platform/qt_tray.h"

namespace glimmer::platform {

struct QtPlatform {
    Platform platform() {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        return Platform{dialogs, fileDialogs, shell, clipboard, printer,
                        files,   forms,       tray,  folder,    name};
    }

    QString folder =
        programFolder(QCoreApplication::applicationDirPath(),
                      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QtDialogs dialogs;
    QtFileDialogs fileDialogs;
    QtShell shell;
    QtClipboard clipboard;
    QtPrinter printer;
    LocalFileSystem files;
    FormRuntime forms;
    QtTrayIcon tray;
};

} // namespace glimmer::platform
