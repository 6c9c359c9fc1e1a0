#pragma once

#include <QSystemTrayIcon>
#include <QTimer>

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
    // A click is told only once no second click followed: the menu it opens would otherwise
    // take the second click, and the icon would never see a double click.
    QTimer m_pendingClick;
};

} // namespace glimmer::platform
