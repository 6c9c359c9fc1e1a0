#include "platform/qt_tray.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>

namespace glimmer::platform {

QtTrayIcon::QtTrayIcon() {
    m_pendingClick.setSingleShot(true);
    connect(&m_pendingClick, &QTimer::timeout, this, &TrayIcon::clicked);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    m_pendingClick.start(QApplication::doubleClickInterval());
                    break;
                case QSystemTrayIcon::DoubleClick:
                    m_pendingClick.stop();
                    emit doubleClicked();
                    break;
                case QSystemTrayIcon::Context:
                    emit contextClicked();
                    break;
                default:
                    break;
                }
            });
}

bool QtTrayIcon::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::add(const QIcon& icon, const QString& tooltip) {
    if (m_icon.isVisible()) return;
    m_icon.setIcon(icon);
    m_icon.setToolTip(tooltip);
    m_icon.show();
}

void QtTrayIcon::remove() {
    m_icon.hide();
}

bool QtTrayIcon::isShown() const {
    return m_icon.isVisible();
}

void QtTrayIcon::popUp(QMenu* menu) {
    menu->popup(QCursor::pos());
}

} // namespace glimmer::platform
