// SCREENSHOT: a preview of the planned screenshot manager. Nothing behind its controls
// does anything; only the frame's close command closes it.
#pragma once

#include "desktop/on_top_form.h"
#include "platform/platform.h"

namespace glimmer::browser {

class Screenshot final : public desktop::OnTopForm {
    Q_OBJECT
  public:
    explicit Screenshot(platform::Platform& platform);
    ~Screenshot() override;

  protected:
    QWidget* buildWindow() override;
};

} // namespace glimmer::browser
