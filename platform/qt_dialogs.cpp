#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace glimmer::platform {
namespace {

QMessageBox::StandardButtons toQt(Buttons b) {
    switch (b) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toQt(Icon i) {
    switch (i) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

Button fromQt(int b) {
    switch (b) {
    case QMessageBox::Cancel:
        return Button::Cancel;
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Retry:
        return Button::Retry;
    default:
        return Button::Ok;
    }
}

} // namespace

Button QtDialogs::message(const Message& m) {
    QMessageBox box(toQt(m.icon), titleOf(m), m.text, toQt(m.buttons),
                    QApplication::activeWindow());
    // The program's dark windows must not pass their white text on to a light message box.
    box.setStyleSheet(QStringLiteral("QLabel { color: black; }"));
    return fromQt(box.exec());
}

} // namespace glimmer::platform
