// Which of Qt's platforms Glimmer asks for in the user's session.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

namespace glimmer::platform {

// "xcb;wayland" (XWayland, else a Wayland client) in a GNOME or KDE Wayland session with
// XWayland, whose window managers keep X11 windows on top and no Wayland client; empty to
// leave Qt's own choice: a platform the user set in QT_QPA_PLATFORM, any other session.
[[nodiscard]] QByteArray sessionPlatform(const QProcessEnvironment& env);

} // namespace glimmer::platform
