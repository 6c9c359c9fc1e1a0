#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

#include "platform/form.h"
#include "platform/topmost.h"

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

// The window a box stands over: its owner's while that is loaded and on screen. A window just
// unloaded is deleted at the next turn of the loop, which would be the box's own, and would
// take the box with it; a hidden one gives the box nothing to stand on.
QWidget* boxParent(QWidget* owner) {
    for (QWidget* w : {owner, QApplication::activeWindow()})
        if (w && isLoadedWindow(w) && w->window()->isVisible()) return w->window();
    return nullptr;
}

} // namespace

Button QtDialogs::message(QWidget* owner, const Message& m) {
    QWidget* over = boxParent(owner);
    QMessageBox box(toQt(m.icon), titleOf(m), m.text, toQt(m.buttons), over);
    // The program's dark windows must not pass their white text on to a light message box.
    box.setStyleSheet(QStringLiteral("QLabel { color: black; }"));
    // A box under a window kept on top would hold the keyboard unseen; window managers keep a
    // dialog above its own window, and the hint keeps it there where one does not.
    if (over && isTopmost(over)) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int pressed = box.exec();
    // Rejected from outside (the program ending under it): whatever exec() made of that
    // must not read as a choice.
    if (!box.clickedButton()) return cancelAnswer(m.buttons);
    return fromQt(pressed);
}

void QtDialogs::closeAll() {
    // The program's dialogs are top-level QDialogs that exist only while they are up, shown
    // by this seam or by the file dialogs; none is skipped as hidden, since a native file
    // dialog's QDialog need not count as visible. Rejecting one ends its nested loop once
    // control gets back there.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
}

} // namespace glimmer::platform
