// Test double: records every message and answers from a script (Ok when the script is empty).
#pragma once

#include <QList>
#include <functional>
#include <utility>

#include "platform/dialogs.h"

namespace glimmer::platform {

class ScriptedDialogs final : public Dialogs {
  public:
    Button message(QWidget* owner, const Message& m) override {
        shown.append(m);
        owners.append(owner);
        const Button answer = answers.isEmpty() ? Button::Ok : answers.takeFirst();
        whileUp(inside);
        return answer;
    }

    // Counts the dialogs that are up as closed. They still give their scripted answers, so a
    // test sees whether the command that asked stops by itself once its window is gone.
    void closeAll() override {
        closed += m_up;
        m_up = 0;
    }

    // Runs `step` (then clears it) as something done while a dialog is up; the Save dialog of
    // ScriptedFileDialogs runs its own step through here too.
    void whileUp(std::function<void()>& step) {
        if (!step) return;
        const std::function<void()> run = std::exchange(step, {});
        ++m_up;
        run();
        if (m_up > 0) --m_up;
    }

    QList<Message> shown;
    QList<QWidget*> owners; // the window each message was shown over
    QList<Button> answers;
    std::function<void()> inside; // runs while the next message is up
    int closed = 0;               // dialogs that were up when closeAll() came

  private:
    int m_up = 0;
};

} // namespace glimmer::platform
