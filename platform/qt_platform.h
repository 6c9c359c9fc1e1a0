// The real platform: Qt message boxes, dialogs, clipboard, printer and browser, the local
// file system, and the folder the executable runs from.
#pragma once

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/platform.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_services.h"
#include "platform/qt_tray.h"

namespace glimmer::platform {

struct QtPlatform {
    Platform platform() {
        return Platform{dialogs,
                        fileDialogs,
                        shell,
                        clipboard,
                        printer,
                        files,
                        forms,
                        tray,
                        QCoreApplication::applicationDirPath(),
                        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()};
    }

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
