// The browser's import (a copy of the picked file into the import folder beside the program)
// and delete commands, apart from the window so they can be followed step by step.
#pragma once

#include <QString>

#include "platform/platform.h"

namespace glimmer::browser {

struct ImportPaths {
    QString source; // CopySource
    QString target; // CopyTarget
};

// The import folder: "imported" inside the program folder. The program never creates it.
[[nodiscard]] QString importFolder(const QString& programFolder);

// The name a picture gets in the import folder: its extension written "pcx".
[[nodiscard]] QString importName(const QString& name);

// CopyTheBitmap: copies `folder`/`name` into the import folder, replacing an earlier copy
// only once the new one is complete. Tells the user about every failure but a missing
// selection, in boxes over `owner`. Returns the paths it worked on (empty when it stopped
// before choosing them).
ImportPaths CopyTheBitmap(platform::Platform& platform, QWidget* owner, const QString& folder,
                          const QString& name);

// Asks over `owner`, then deletes `folder`/`name` for good. True when the file is gone, also
// when it was gone before, and on Yes when no name is given; a failure is reported and false
// returned.
bool deletePicture(platform::Platform& platform, QWidget* owner, const QString& folder,
                   const QString& name);

} // namespace glimmer::browser
