// The program's name as the user sees it: the browser's caption, message titles, the
// notification-area tooltip and the application name.
#pragma once

#include <QString>

namespace glimmer::platform {

inline const QString kProgramTitle = QStringLiteral("Glimmer");

} // namespace glimmer::platform
