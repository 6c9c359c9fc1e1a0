// Message boxes. Windows ask through this seam so tests can answer with a script.
#pragma once

#include <QString>

#include "platform/title.h"

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
    // Shows the message modally and returns the button pressed.
    virtual Button message(const Message& m) = 0;
};

// The title shown for `m`: its own, or the program's when it has none.
[[nodiscard]] inline QString titleOf(const Message& m) {
    return m.title.isEmpty() ? kProgramTitle : m.title;
}

} // namespace glimmer::platform
