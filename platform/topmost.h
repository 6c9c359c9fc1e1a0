#pragma once

class QWidget;

namespace glimmer::platform {

// Moves the window into or out of the band of windows that stay above all others, without
// moving, resizing or showing it.
void setTopmost(QWidget* window, bool onTop);
[[nodiscard]] bool isTopmost(const QWidget* window);
// Whether the desktop honours that band: a Wayland client cannot ask to stay on top, and
// not every X11 window manager keeps windows above others.
[[nodiscard]] bool desktopKeepsOnTop();

} // namespace glimmer::platform
