#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace glimmer::platform {

// Real message boxes over the window that asks.
class QtDialogs final : public Dialogs {
  public:
    Button message(QWidget* owner, const Message& m) override;
    void closeAll() override; // rejects every open QDialog, the Save dialog included
};

} // namespace glimmer::platform
