#include "platform/session_platform.h"

#include <QStringList>

namespace glimmer::platform {

QByteArray sessionPlatform(const QProcessEnvironment& env) {
    if (env.contains(QStringLiteral("QT_QPA_PLATFORM")) ||
        env.value(QStringLiteral("DISPLAY")).isEmpty() ||
        env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return {};
    // Measured: mutter and KWin keep an XWayland window on top; sway keeps none either way.
    const QStringList desktops =
        env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'));
    for (const QString& d : desktops)
        if (d.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0 ||
            d.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return QByteArrayLiteral("xcb;wayland");
    return {};
}

} // namespace glimmer::platform
