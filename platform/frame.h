#pragma once

class QWidget;

namespace glimmer::platform {

// Gives the tool window `window` a frame with a title and a close box but no minimise or
// maximise button, the user still able to resize it. Call it while building the window.
void withoutMinMaxButtons(QWidget* window);

} // namespace glimmer::platform
