// Everything a window needs from the desktop, handed to it in one piece. The program builds
// it over Qt (QtPlatform); tests build it over scripted doubles (ScriptedPlatform).
#pragma once

#include <QString>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/form.h"
#include "platform/services.h"
#include "platform/tray.h"

namespace glimmer::platform {

struct Platform {
    Dialogs& dialogs;
    FileDialogs& fileDialogs;
    Shell& shell;
    Clipboard& clipboard;
    Printer& printer;
    FileSystem& files;
    FormRuntime& forms;
    TrayIcon& tray;
    QString programFolder;  // the folder of the executable
    QString executableName; // its file name without extension
};

} // namespace glimmer::platform
