#include "browser/screenshot.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/controls.h"
#include "platform/units.h"

namespace glimmer::browser {

using namespace desktop;
using platform::twipsRect;

namespace {

struct ButtonSpec {
    const char* name;
    const char* caption;
    int left, top, width;
    bool bold;
};

const ButtonSpec kButtons[] = {
    {"Command10", "Send", 1080, 360, 855, false},
    {"Command11", "Email It", 1920, 360, 855, false},
    {"Command12", "Send to Fragvault", 2760, 360, 1455, false},
    {"Command6", "Add", 720, 720, 975, false},
    {"Command7", "Load", 1680, 720, 975, false},
    {"Command8", "Remove", 2640, 720, 975, false},
    {"Command9", "Change", 3600, 720, 975, false},
    {"Command1", "<<", 240, 1080, 975, true},
    {"Command2", "<", 1200, 1080, 975, true},
    {"Command5", "Random", 2160, 1080, 975, false},
    {"Command4", ">", 3120, 1080, 975, true},
    {"Command3", ">>", 4080, 1080, 975, true},
};

const QString kDescription = QStringLiteral(
    "It is going to be a screenshot manager for unreal tournament screenshots. You can load "
    "them, Add them and Change them!!! You can send the screenshots you have taken to Fragvault "
    "and we will show them on our site and you can Email them to friends.");

} // namespace

Screenshot::Screenshot(platform::Platform& platform)
    : OnTopForm(platform.forms, QStringLiteral("SCREENSHOT"),
                {{2430, 8445}, {2190, 8730}, false, QStringLiteral("client")}) {}

Screenshot::~Screenshot() = default;

QWidget* Screenshot::buildWindow() {
    auto* w = new QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    w->setObjectName(name());
    w->setWindowTitle(QStringLiteral("The New ScreenShot Manager (Preview Only)"));
    paintDark(w);
    auto* bar = new QMenuBar(w);
    bar->setStyleSheet(QStringLiteral("QMenuBar { background: #d4d0c8; color: black; }"));
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("mnufile"));
    file->addAction(QStringLiteral("Send Screenshot"))->setObjectName(QStringLiteral("mnusend"));
    file->addAction(QStringLiteral("Exit"))->setObjectName(QStringLiteral("mnuexit"));
    // The client area starts below the menu bar.
    const int barHeight = bar->sizeHint().height();
    bar->setGeometry(0, 0, platform::px(5340), barHeight);
    auto* client = new QWidget(w);
    client->setObjectName(QStringLiteral("client"));
    client->setGeometry(0, barHeight, platform::px(5340), platform::px(6705));
    w->setFixedSize(platform::px(5340), platform::px(6705) + barHeight);
    for (const ButtonSpec& b : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), client);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(twipsRect(b.left, b.top, b.width, 375));
        if (b.bold) button->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 10pt;"));
    }
    auto* shot = new QLabel(client);
    shot->setObjectName(QStringLiteral("Picture1"));
    shot->setGeometry(twipsRect(360, 1800, 4575, 3495));
    shot->setPixmap(art(QStringLiteral("sample_screenshot.png")));
    nameImage(shot, QStringLiteral("Sample screenshot"));
    shot->setStyleSheet(QStringLiteral("QLabel#Picture1 { border: 1px solid #404040; }"));
    auto* title =
        label(shot, QStringLiteral("Label1"), QStringLiteral("The Picture"), 1200, 0, 2055, 375);
    title->setStyleSheet(QStringLiteral(
        "font-size: 14pt; font-weight: bold; color: white; background: transparent;"));
    label(client, QStringLiteral("Label2"), kDescription, 240, 5400, 4935, 1215)
        ->setStyleSheet(QStringLiteral("font-size: 8pt; color: white;"));
    return w;
}

} // namespace glimmer::browser
