#include "desktop/web_links.h"

#include <QLineEdit>

#include "platform/services.h"
#include "platform/units.h"

namespace glimmer::desktop {

void OpenUrl(platform::Shell& shell, const QString& address) {
    (void)shell.openUrl(address);
}

QLineEdit* makeAddressBox(QWidget* parent, int left, int top) {
    auto* box = new QLineEdit(links::kFragvaultHost, parent);
    box->setObjectName(QStringLiteral("txtcustomers"));
    box->setGeometry(platform::twipsRect(left, top, 1590, 285));
    box->hide();
    return box;
}

void followLink(QLineEdit* txtcustomers, platform::Shell& shell, const QString& address) {
    txtcustomers->setText(address);
    OpenUrl(shell, txtcustomers->text());
}

} // namespace glimmer::desktop
