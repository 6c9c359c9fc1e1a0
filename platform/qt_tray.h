#pragma once

#include <QSystemTrayIcon>
#include <QTimer>

#include "platform/sni_item.h"
#include "platform/tray.h"

namespace glimmer::platform {

// The icon goes to a StatusNotifierItem host when the session has one, or when there is no
// XEmbed tray either (on Wayland always): such a host may still start later. Otherwise it goes
// to the X11 tray through QSystemTrayIcon, which alone tells double clicks.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
  public:
    QtTrayIcon();
    bool available() const override;
    void add(const QIcon& icon, const QString& tooltip, QMenu* menu) override;
    void remove() override;
    bool isShown() const override;
    void popUp(QMenu* menu) override;

  private:
    static bool xembedTray();

    QSystemTrayIcon m_icon;
    SniItem m_sni;
    // A click is told only once no second click followed: the menu it opens would otherwise
    // take the second click, and the icon would never see a double click.
    QTimer m_pendingClick;
};

} // namespace glimmer::platform
