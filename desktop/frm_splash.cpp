#include "desktop/frm_splash.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "desktop/controls.h"
#include "desktop/web_links.h"
#include "platform/units.h"

namespace glimmer::desktop {

using platform::twipsRect;

namespace {

QLabel* picture(QWidget* parent, const QString& name, const QString& artName, int left, int top,
                int width, int height, const QString& accessibleName) {
    auto* l = label(parent, name, QString(), left, top, width, height);
    l->setPixmap(art(artName));
    nameImage(l, accessibleName);
    return l;
}

QLabel* text(QWidget* parent, const QString& name, const QString& value, int left, int top,
             int width, int height, const char* style) {
    auto* l = label(parent, name, value, left, top, width, height);
    l->setWordWrap(false);
    l->setStyleSheet(QString::fromLatin1(style));
    return l;
}

} // namespace

FrmSplash::FrmSplash(platform::Platform& platform, platform::Form& tray)
    : OnTopForm(platform.forms, QStringLiteral("frmSplash"),
                {{2520, 4920}, {2280, 5280}, false, QStringLiteral("Frame1")}),
      m_platform(platform), m_tray(tray) {}

FrmSplash::~FrmSplash() = default;

QWidget* FrmSplash::buildWindow() {
    auto* w = new QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    w->setObjectName(name());
    w->setFixedSize(platform::px(6930), platform::px(3630));
    paintDark(w);
    auto* frame = new QFrame(w);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(0, -120, 6945, 3765));
    frame->setStyleSheet(QStringLiteral("QFrame#Frame1 { border: 1px solid #404040; }"
                                        "QLabel { color: white; font-family: 'DejaVu Sans'; }"));
    picture(frame, QStringLiteral("Picture2"), QStringLiteral("banner_fragvault.png"), 240, 240,
            1695, 375, QStringLiteral("Fragvault banner"));
    picture(frame, QStringLiteral("Picture1"), QStringLiteral("banner_glimmer.png"), 240, 600, 2895,
            495, QStringLiteral("Glimmer banner"));
    const struct {
        const char* name;
        const char* art;
        int left, top;
        const char* lettering;
        const char* description;
    } links[] = {
        {"Command2", "btn_splash_fragvault.png", 240, 1200, "Fragvault",
         "Opens the Fragvault home page"},
        {"Command3", "btn_news.png", 1800, 1200, "News", "Opens the game's official site"},
        {"Command4", "btn_updates.png", 240, 1680, "Updates", "Opens Glimmer's page on Quillon"},
        {"Command5", "btn_files.png", 1800, 1680, "Files", "Opens the maps page on Quillon"}};
    for (int i = 0; i < 4; ++i) {
        auto* b = pictureButton(
            frame, QString::fromLatin1(links[i].name), links[i].left, links[i].top, 1455, 375,
            QString::fromLatin1(links[i].art),
            {QString::fromLatin1(links[i].lettering), QString::fromLatin1(links[i].description)});
        connect(b, &QPushButton::clicked, this, [this, i] { link(i + 2); });
    }
    text(frame, QStringLiteral("lblPlatform"), QStringLiteral("Windows 95/98/NT"), 75, 2475, 2775,
         360, "font-size: 12pt; font-weight: bold;");
    text(frame, QStringLiteral("lblversion"), QStringLiteral("Version 1.0"), 90, 2835, 1275, 285,
         "font-size: 9.5pt; font-weight: bold;");
    text(frame, QStringLiteral("lblCopyright"), QStringLiteral("Copyright 2026"), 120, 3120, 1215,
         255, "font-size: 6.5pt; color: #a0a0a0;");
    text(frame, QStringLiteral("lblCompany"), QStringLiteral("Quillon International"), 120, 3360,
         1575, 255, "font-size: 6.5pt; color: #a0a0a0;");
    auto* logo = picture(frame, QStringLiteral("imgLogo"), QStringLiteral("logo.png"), 3960, 240,
                         2775, 3465, QStringLiteral("Glimmer logo"));
    logo->setScaledContents(true);
    auto* enterButton = pictureButton(
        frame, QStringLiteral("Command1"), 5280, 3120, 1575, 495, QStringLiteral("btn_enter.png"),
        {QStringLiteral("Enter"), QStringLiteral("Goes on to the notification-area icon")});
    connect(enterButton, &QPushButton::clicked, this, [this] { enter(); });
    auto* close = pictureButton(frame, QStringLiteral("Command6"), 6495, 165, 390, 330,
                                QStringLiteral("btn_close_x.png"),
                                {QStringLiteral("Close"), QStringLiteral("Closes this window")});
    connect(close, &QPushButton::clicked, this, [this] { unload(); });
    m_txtcustomers = makeAddressBox(frame, 3420, 3765);
    return w;
}

void FrmSplash::onUnloaded() {
    m_txtcustomers = nullptr;
}

void FrmSplash::link(int command) {
    static const QString* const targets[] = {&links::kFragvaultHome, &links::kGameHome,
                                             &links::kQuillonGlimmer, &links::kQuillonMaps};
    load();
    followLink(m_txtcustomers, m_platform.shell, *targets[command - 2]);
}

void FrmSplash::enter() {
    m_tray.show();
    unload();
}

} // namespace glimmer::desktop
