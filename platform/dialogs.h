// Message boxes. Windows ask through this seam so tests can answer with a script.
#pragma once

#include <QString>

#include "platform/title.h"

class QWidget;

namespace glimmer::platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Button { Ok, Cancel, Yes, No, Retry };

struct Message {
    QString text;
    QString title; // empty means the program's title
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Shows the message modally over `owner`, the window whose command asks, and returns the
    // button pressed. The box stacks above its owner, also when the owner is kept on top. A box
    // closed by closeAll() answers as if cancelled: Cancel, else No, else Ok.
    virtual Button message(QWidget* owner, const Message& m) = 0;
    // Closes every dialog of the program that is up, message boxes and the Save dialog alike,
    // each as if cancelled. Their calls return once control is back in their own loops, so
    // the caller may take their windows down right after.
    virtual void closeAll() = 0;
};

// The answer of a box with `buttons` that was closed without a button.
[[nodiscard]] inline Button cancelAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
    case Buttons::RetryCancel:
        return Button::Cancel;
    case Buttons::YesNo:
        return Button::No;
    case Buttons::Ok:
        break;
    }
    return Button::Ok;
}

// The title shown for `m`: its own, or the program's when it has none.
[[nodiscard]] inline QString titleOf(const Message& m) {
    return m.title.isEmpty() ? kProgramTitle : m.title;
}

} // namespace glimmer::platform
