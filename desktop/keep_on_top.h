// The "Keep On Top" pair of a window: a button whose click toggles the target window in and
// out of the topmost band, and a check box that holds the state. Every window that has one
// switches it on while it loads.
#pragma once

#include <QPoint>
#include <functional>

class QCheckBox;
class QPushButton;
class QWidget;

namespace glimmer::desktop {

// Moves `window` into (setOnTop non-zero) or out of the topmost band, keeping its place; no
// window (one not loaded) moves nothing.
void AlwaysOnTop(QWidget* window, int setOnTop);

class KeepOnTop {
  public:
    // Creates `CmdOnTop` and `Check3` in `parent` at their positions in twips. `target` gives
    // the window to act on, looked up at each click.
    KeepOnTop(QWidget* parent, QPoint cmdAtTwips, QPoint checkAtTwips,
              std::function<QWidget*()> target, bool visible = false);

    // CmdOnTop_Click: clear box switches on, ticked box switches off, greyed does nothing.
    void click();

    // The box's value as the program reads it: 0 clear, 1 ticked, 2 greyed.
    [[nodiscard]] int value() const;
    void setValue(int value);

    QPushButton* const cmdOnTop;
    QCheckBox* const check3;

  private:
    std::function<QWidget*()> m_target;
};

} // namespace glimmer::desktop
