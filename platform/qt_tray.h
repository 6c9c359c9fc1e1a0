#pragma once

#include <QSystemTrayIcon>

#include "platform/tray.h"

namespace glimmer::platform {

class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
  public:
    QtTrayIcon();
    bool available() const override;
    void add(const QIcon& icon, const QString& tooltip) override;
    void remove() override;
    bool isShown() const override;
    void popUp(QMenu* menu) override;

  private:
    QSystemTrayIcon m_icon;
};

} // namespace glimmer::platform
