#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace glimmer::platform {

// Real message boxes over the active window.
class QtDialogs final : public Dialogs {
  public:
    Button message(const Message& m) override;
    void closeAll() override; // rejects every open QDialog, the Save dialog included
};

} // namespace glimmer::platform
