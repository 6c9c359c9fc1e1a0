// SCREENSHOT: a preview of the planned screenshot manager. Nothing behind its controls
// does anything; only the frame's close command closes it.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace glimmer::desktop {
class KeepOnTop;
}

namespace glimmer::browser {

class Screenshot final : public platform::Form {
    Q_OBJECT
  public:
    explicit Screenshot(platform::Platform& platform);
    ~Screenshot() override;

    desktop::KeepOnTop& keepOnTop();

  protected:
    QWidget* build() override;
    void onLoad() override;
    void onUnload() override;

  private:
    std::unique_ptr<desktop::KeepOnTop> m_onTop;
};

} // namespace glimmer::browser
