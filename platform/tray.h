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
    // Whether the desktop has a notification area at all.
    [[nodiscard]] virtual bool available() const = 0;
    // Adds the icon; adding it while it is shown changes nothing.
    virtual void add(const QIcon& icon, const QString& tooltip) = 0;
    virtual void remove() = 0;
    [[nodiscard]] virtual bool isShown() const = 0;
    // Opens `menu` at the pointer.
    virtual void popUp(QMenu* menu) = 0;

  signals:
    void clicked();        // left button
    void doubleClicked();  // left button, twice
    void contextClicked(); // right button
};

} // namespace glimmer::platform
