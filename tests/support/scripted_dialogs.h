// Test double: records every message and the window it stands over, and answers from a
// script (Ok when the script is empty).
#pragma once

#include <QList>

#include "platform/dialogs.h"

namespace glimmer::platform {

class ScriptedDialogs final : public Dialogs {
  public:
    Button message(QWidget* owner, const Message& m) override {
        shown.append(m);
        owners.append(owner);
        return answers.isEmpty() ? Button::Ok : answers.takeFirst();
    }
    void closeAll() override {}

    QList<Message> shown;
    QList<QWidget*> owners;
    QList<Button> answers;
};

} // namespace glimmer::platform
