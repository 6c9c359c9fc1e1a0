#include "platform/topmost.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace glimmer::platform {

void setTopmost(QWidget* window, bool onTop) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    // setWindowFlags would hide a shown window; change the flags underneath instead.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

bool isTopmost(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

bool desktopKeepsOnTop() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace glimmer::platform
