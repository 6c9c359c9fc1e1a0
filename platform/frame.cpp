#include "platform/frame.h"

#include <QWidget>
#include <QWindow>

namespace glimmer::platform {

void withoutMinMaxButtons(QWidget* window) {
    // Window managers that heed the Motif hints take the buttons away for the flags Qt is
    // given; openbox keeps them on every window but toolbars. So on X the window also names
    // itself a toolbar, ahead of the utility type Qt gives a tool window, which the others
    // still read. Qt's X11 back end reads this property whenever the window's flags are set.
    constexpr int kToolbarType = 0x08;
    (void)window->winId();
    QWindow* handle = window->windowHandle();
    handle->setProperty("_q_xcb_wm_window_type", kToolbarType);
    handle->setFlags(handle->flags());
}

} // namespace glimmer::platform
