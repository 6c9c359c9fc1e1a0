#include "desktop/frm_login.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "desktop/controls.h"
#include "platform/units.h"

namespace glimmer::desktop {

using platform::twipsRect;

struct FrmLogin::Ui {
    QLineEdit* user = nullptr;
    QLineEdit* password = nullptr;
};

FrmLogin::FrmLogin(platform::Platform& platform, platform::Form& tray, platform::Form& splash)
    : OnTopForm(platform.forms, QStringLiteral("frmLogin"), {{1200, 3120}, {960, 3480}, true}),
      m_platform(platform), m_tray(tray), m_splash(splash) {}

FrmLogin::~FrmLogin() = default;

QLineEdit* FrmLogin::txtUserName() {
    load();
    return m_ui->user;
}

QLineEdit* FrmLogin::txtPassword() {
    load();
    return m_ui->password;
}

QWidget* FrmLogin::buildWindow() {
    m_ui = std::make_unique<Ui>();
    auto* w = new QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    w->setObjectName(name());
    w->setWindowTitle(QStringLiteral("Login"));
    w->setWindowIcon(art(QStringLiteral("glimmer-32.png")));
    w->setFixedSize(platform::px(3750), platform::px(1755));
    paintDark(w);
    w->setStyleSheet(QStringLiteral("QLabel { color: white; }"));
    auto* note = label(w, QStringLiteral("Label1"), QStringLiteral("This Requiers The Internet!"),
                       45, 15, 3420, 225);
    note->setStyleSheet(QStringLiteral(
        "font-family: 'Times New Roman', serif; font-size: 9.75pt; color: #ffa040;"));
    auto* userLabel =
        label(w, QStringLiteral("lblLabels_0"), QStringLiteral("&User Name:"), 90, 390, 1320, 270);
    m_ui->user = new QLineEdit(w);
    m_ui->user->setObjectName(QStringLiteral("txtUserName"));
    m_ui->user->setGeometry(twipsRect(1425, 360, 2205, 345));
    // As wide as the name's label: the bold lettering is wider than the dialog was drawn for,
    // and the colon would be cut off. It still ends before the box.
    auto* passLabel =
        label(w, QStringLiteral("lblLabels_1"), QStringLiteral("&Password:"), 90, 780, 1320, 270);
    m_ui->password = new QLineEdit(w);
    m_ui->password->setObjectName(QStringLiteral("txtPassword"));
    m_ui->password->setGeometry(twipsRect(1425, 765, 2205, 345));
    m_ui->password->setEchoMode(QLineEdit::Password);
    for (QLabel* l : {userLabel, passLabel})
        l->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 9.75pt;"));
    userLabel->setBuddy(m_ui->user); // Alt+U and Alt+P move to the boxes
    passLabel->setBuddy(m_ui->password);
    auto* okButton = pictureButton(
        w, QStringLiteral("cmdOK"), 435, 1245, 1140, 390, QStringLiteral("btn_login_ok.png"),
        {QStringLiteral("OK"), QStringLiteral("Logs in with the name and password")});
    auto* cancelButton = pictureButton(
        w, QStringLiteral("cmdCancel"), 2115, 1245, 1140, 390, QStringLiteral("btn_cancel.png"),
        {QStringLiteral("Cancel"), QStringLiteral("Goes on without logging in")});
    connect(okButton, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    pressOnEnter(w, okButton);
    new QShortcut(QKeySequence(Qt::Key_Escape), w, [this] { cancel(); });
    QWidget::setTabOrder(m_ui->user, m_ui->password);
    QWidget::setTabOrder(m_ui->password, okButton);
    QWidget::setTabOrder(okButton, cancelButton);
    return w;
}

void FrmLogin::onUnloaded() {
    m_ui.reset();
}

void FrmLogin::ok() {
    load();
    if (m_ui->password->text().isEmpty()) {
        m_loginSucceeded = true;
        hide();
        m_tray.show();
        return;
    }
    m_platform.dialogs.message(widget(), {QStringLiteral("Invalid Password, try again!"),
                                          QStringLiteral("Login"), platform::Buttons::Ok,
                                          platform::Icon::None});
    if (!m_ui) return;
    m_ui->password->setFocus();
    m_ui->password->selectAll();
}

void FrmLogin::cancel() {
    m_loginSucceeded = false;
    m_splash.show();
    hide();
}

} // namespace glimmer::desktop
