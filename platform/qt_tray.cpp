#include "platform/qt_tray.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
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
    connect(&m_sni, &SniItem::activated, this, &TrayIcon::clicked);
    connect(&m_sni, &SniItem::hostChanged, this, &TrayIcon::availableChanged);
}

bool QtTrayIcon::xembedTray() {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::available() const {
    // An icon given to a StatusNotifierItem host is seen only while a host is there, whatever
    // XEmbed tray the session has besides.
    if (m_sni.isShown()) return m_sni.hostPresent();
    return m_sni.hostPresent() || xembedTray();
}

void QtTrayIcon::add(const QIcon& icon, const QString& tooltip, QMenu* menu) {
    if (isShown()) return;
    if (m_sni.hostPresent() || !xembedTray()) {
        m_sni.show(icon, tooltip, menu);
        return;
    }
    m_icon.setIcon(icon);
    m_icon.setToolTip(tooltip);
    m_icon.show();
}

void QtTrayIcon::remove() {
    m_icon.hide();
    m_sni.hide();
}

bool QtTrayIcon::isShown() const {
    return m_icon.isVisible() || m_sni.isShown();
}

void QtTrayIcon::popUp(QMenu* menu) {
    menu->popup(QCursor::pos());
}

} // namespace glimmer::platform
