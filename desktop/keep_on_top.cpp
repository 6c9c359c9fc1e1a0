#include "desktop/keep_on_top.h"
#include "desktop/controls.h"

#include <QCheckBox>
#include <QPushButton>

#include "platform/topmost.h"
#include "platform/units.h"

namespace glimmer::desktop {

using platform::colour;
using platform::twipsRect;

void AlwaysOnTop(QWidget* window, int setOnTop) {
    if (window) platform::setTopmost(window, setOnTop != 0);
}

KeepOnTop::KeepOnTop(QWidget* parent, QPoint cmdAt, QPoint checkAt,
                     std::function<QWidget*()> target, bool visible)
    : cmdOnTop(new QPushButton(QStringLiteral("Keep On Top"), parent)),
      check3(new QCheckBox(QStringLiteral("Keep On Top"), parent)), m_target(std::move(target)) {
    cmdOnTop->setObjectName(QStringLiteral("CmdOnTop"));
    cmdOnTop->setGeometry(twipsRect(cmdAt.x(), cmdAt.y(), 1215, 315));
    check3->setObjectName(QStringLiteral("Check3"));
    check3->setGeometry(twipsRect(checkAt.x(), checkAt.y(), 1455, 195));
    check3->setTristate(true);
    paint(check3, colour(0x404040), colour(0x00FF00));
    cmdOnTop->setVisible(visible);
    check3->setVisible(visible);
    QObject::connect(cmdOnTop, &QPushButton::clicked, cmdOnTop, [this] { click(); });
}

int KeepOnTop::value() const {
    switch (check3->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void KeepOnTop::setValue(int value) {
    check3->setCheckState(value == 0   ? Qt::Unchecked
                          : value == 1 ? Qt::Checked
                                       : Qt::PartiallyChecked);
}

void KeepOnTop::click() {
    if (value() == 0) {
        AlwaysOnTop(m_target(), -1);
        setValue(1);
    } else if (value() == 1) {
        AlwaysOnTop(m_target(), 0);
        setValue(0);
    }
}

} // namespace glimmer::desktop
