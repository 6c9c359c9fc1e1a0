// The program's icon as a StatusNotifierItem: the notification area of Wayland desktops (KDE
// Plasma, GNOME with the AppIndicator extension, swaybar, waybar) and of X11 desktops whose
// panel has no XEmbed tray. The icon registers with the desktop's watcher whenever one
// appears, so a panel that starts after the program still shows it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QIcon>
#include <QObject>

#include "platform/dbus_menu.h"

class QDBusServiceWatcher;

namespace glimmer::platform {

// One image of the icon: width, height and ARGB32 pixels in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
    QString iconName;
    SniPixmaps icon;
    QString title;
    QString text;
};

class SniItem final : public QObject {
    Q_OBJECT
  public:
    explicit SniItem(QDBusConnection bus = QDBusConnection::sessionBus());
    ~SniItem() override;

    // Whether a watcher with a host is on the bus, as the watcher last told: hosts coming and
    // going are followed, as a panel may quit while the watcher stays (KDE keeps it in kded).
    [[nodiscard]] bool hostPresent() const { return m_hostPresent; }
    // Offers the item on the bus and registers it with the watcher, now and whenever a
    // watcher appears. `menu` is what hosts that draw the menu themselves show.
    void show(const QIcon& icon, const QString& tooltip, QMenu* menu);
    void hide();
    [[nodiscard]] bool isShown() const { return m_shown; }

    QString title() const { return m_title; }
    SniPixmaps pixmaps() const { return m_pixmaps; }

  signals:
    // Any of the host's clicks: Activate, or ContextMenu from a host that leaves the menu to
    // the item (swaybar).
    void activated();
    void hostChanged(bool present);

  private slots:
    void hostRegistered();
    void hostUnregistered();

  private:
    static QDBusMessage hostQuery();
    static bool hostIn(const QDBusMessage& reply);
    void askForHost();
    void setHostPresent(bool present);
    void registerWithWatcher();

    QDBusConnection m_bus;
    QString m_service;
    QDBusServiceWatcher* m_watcher;
    DBusMenu* m_menu;
    QString m_title;
    SniPixmaps m_pixmaps;
    bool m_shown = false;
    bool m_hostPresent = false;
};

} // namespace glimmer::platform

Q_DECLARE_METATYPE(glimmer::platform::SniPixmap)
Q_DECLARE_METATYPE(glimmer::platform::SniToolTip)
