// Test double: records every message and answers from a script (Ok when the script is empty).
#pragma once

#include <QList>

#include "platform/dialogs.h"

namespace glimmer::platform {

class ScriptedDialogs final : public Dialogs {
  public:
    Button message(const Message& m) override {
        shown.append(m);
        return answers.isEmpty() ? Button::Ok : answers.takeFirst();
    }

    QList<Message> shown;
    QList<Button> answers;
};

} // namespace glimmer::platform
