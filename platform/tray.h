// The program's icon in the desktop's notification area.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>

class QMenu;

namespace glimmer::platform {

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // Whether the desktop has a notification area at all, now: a panel may come or go.
    [[nodiscard]] virtual bool available() const = 0;
    // Adds the icon; adding it while it is shown changes nothing. `menu` is what desktops that
    // draw tray menus themselves show for it.
    virtual void add(const QIcon& icon, const QString& tooltip, QMenu* menu) = 0;
    virtual void remove() = 0;
    [[nodiscard]] virtual bool isShown() const = 0;
    // Opens `menu` at the pointer.
    virtual void popUp(QMenu* menu) = 0;

  signals:
    void clicked();        // left button; any click where the desktop tells no buttons
    void doubleClicked();  // left button, twice (X11 trays only)
    void contextClicked(); // right button
    void availableChanged();
};

} // namespace glimmer::platform
